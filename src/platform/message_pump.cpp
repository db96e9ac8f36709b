#include "platform/message_pump.h"

#include <windows.h>

namespace ps {

bool PumpPendingMessages(const std::function<bool(MSG&)>& preTranslate) {
    // A window that posts itself a message on every message would keep the
    // queue full forever; a bound keeps one call one step.
    constexpr int kMaxMessagesPerCall = 500;
    MSG msg;
    for (int i = 0; i < kMaxMessagesPerCall && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        if (preTranslate && preTranslate(msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return true;
}

} // namespace ps
