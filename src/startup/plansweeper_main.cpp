// Plansweeper.exe: one instance per user session. The first shows the splash
// (unless "/nologo") and the main window; a later start hands its command
// tail to the running window, or brings that window forward, and ends.
#include "platform/handles.h"
#include "platform/text.h"
#include "core/command_tail.h"
#include "ui/about_window.h"
#include "ui/main_window.h"
#include "ui/win_ui.h"

#include <commctrl.h>
#include <objbase.h>

#include <string>

namespace {

using namespace ps;

constexpr ULONGLONG kSearchLimitMs = 1000ULL * 1000ULL;

// The command line after the program's name.
std::wstring CommandTail() {
    const wchar_t* p = GetCommandLineW();
    if (*p == L'"') {
        ++p;
        while (*p != L'\0' && *p != L'"')
            ++p;
        if (*p == L'"')
            ++p;
    } else {
        while (*p != L'\0' && *p != L' ' && *p != L'\t')
            ++p;
    }
    return p;
}

void ActivatePreviousInstance(HWND window) {
    if (IsIconic(window))
        SendMessageW(window, WM_SYSCOMMAND, SC_RESTORE, 0);
    SetForegroundWindow(window);
}

// A later start: find the running window, hand over or activate, end.
void HandOver(const std::string& tail) {
    const ULONGLONG start = GetTickCount64();
    for (;;) {
        const HWND previous = FindMarkedWindow();
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (previous != nullptr) {
            if (!tail.empty() || !IsWindowVisible(previous)) {
                // The running window comes forward with what it is handed:
                // this start, which the user just made, lets it.
                DWORD owner = 0;
                GetWindowThreadProcessId(previous, &owner);
                AllowSetForegroundWindow(owner);
                std::wstring payload = Widen(HandOverPayload(tail));
                COPYDATASTRUCT data{kHandOverUtf16, static_cast<DWORD>(payload.size() * sizeof(wchar_t)),
                                    payload.empty() ? nullptr : payload.data()};
                DWORD_PTR result = 0;
                SendMessageTimeoutW(previous, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL,
                                    5000, &result);
            } else {
                ActivatePreviousInstance(previous);
            }
            return;
        }
        if (GetTickCount64() - start > kSearchLimitMs) {
            MessageBoxW(nullptr, L"Timeout error", nullptr, MB_OK);
            return;
        }
        // The first instance may still be loading its window.
        Sleep(50);
    }
}

int Main(HINSTANCE instance) {
    const std::string tail = Narrow(CommandTail());
    // Kept open until the process ends.
    const UniqueHandleKernel mutex(CreateMutexW(nullptr, TRUE, std::wstring(kInstanceMutex).c_str()));
    if (!mutex || GetLastError() == ERROR_ALREADY_EXISTS) {
        HandOver(tail);
        return 0;
    }
    const StartupCommand startup = ParseStartupTail(tail);
    if (!startup.nologo)
        ShowAboutWindow(nullptr, AboutMode::Splash);
    WinDesktopDialogs dialogs;
    MainWindow window(dialogs);
    if (!window.create(instance, startup))
        return 1;
    return window.messageLoop();
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES | ICC_LINK_CLASS |
                                                       ICC_STANDARD_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);
    const OleScope ole;
    try {
        return Main(instance);
    } catch (const std::exception& e) {
        ShowError(nullptr, "main", e.what());
        return 1;
    }
}
