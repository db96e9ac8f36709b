// Time from process start to a visible marked main window: Plansweeper.exe
// with "/nologo" and an empty list against a bare Win32 program that shows
// an empty window. Alternating runs; prints the means and their ratio.
//   startup-time <runs>
#include "platform/text.h"
#include "ui/instance_marker.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::wstring Folder() {
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring path(exe);
    return path.substr(0, path.find_last_of(L'\\'));
}

// Milliseconds until the window shows; the program is then closed.
double TimeToWindow(const std::wstring& commandLine) {
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    std::wstring line = commandLine;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -1;
    HWND found = nullptr;
    while (found == nullptr) {
        found = ps::FindMarkedWindow(pi.dwProcessId, true);
        if (found == nullptr)
            Sleep(2);
    }
    QueryPerformanceCounter(&end);
    PostMessageW(found, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0)
        TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return static_cast<double>(end.QuadPart - start.QuadPart) * 1000.0 /
           static_cast<double>(frequency.QuadPart);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const int runs = argc > 1 ? _wtoi(argv[1]) : 10;
    const std::wstring folder = Folder();
    const std::wstring program = L"\"" + folder + L"\\..\\Plansweeper.exe\" /nologo";
    const std::wstring bare = L"\"" + folder + L"\\bare-window.exe\"";
    TimeToWindow(program); // the first start warms the caches of both
    TimeToWindow(bare);
    double sumProgram = 0;
    double sumBare = 0;
    for (int i = 0; i < runs; ++i) {
        sumProgram += TimeToWindow(program);
        sumBare += TimeToWindow(bare);
    }
    const double p = sumProgram / runs;
    const double b = sumBare / runs;
    std::printf("runs: %d\nPlansweeper.exe /nologo: %.1f ms\nbare window: %.1f ms\nratio: %.2f\n", runs, p, b,
                p / b);
    return 0;
}
