#include "platform/off_thread.h"

#include "platform/handles.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <thread>

namespace ps {

std::optional<bool> RunOffThread(std::function<bool()> job, unsigned limitMs) {
    // Shared with the worker, which may outlive the wait.
    struct Work {
        std::function<bool()> job;
        bool result = false;
        UniqueHandleKernel done{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    };
    auto work = std::make_shared<Work>();
    work->job = std::move(job);
    if (!work->done)
        return work->job();
    const HANDLE done = work->done.get();
    std::thread([work] {
        work->result = work->job();
        SetEvent(work->done.get());
    }).detach();
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        const ULONGLONG waited = GetTickCount64() - start;
        if (limitMs != kWaitForever && waited >= limitMs)
            return std::nullopt;
        const DWORD slice =
            limitMs == kWaitForever ? 50 : static_cast<DWORD>(std::min<ULONGLONG>(50, limitMs - waited));
        if (MsgWaitForMultipleObjects(1, &done, FALSE, slice, QS_SENDMESSAGE | QS_PAINT) == WAIT_OBJECT_0)
            return work->result;
        // Sent messages are handled by looking at the queue; paint as well.
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT | PM_QS_SENDMESSAGE))
            DispatchMessageW(&msg);
    }
}

} // namespace ps
