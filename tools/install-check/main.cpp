// Checks an installed Plansweeper from the outside, for scripts/test-installer:
//   install-check window <exe>     the program starts and shows its main window
//   install-check control          Pictlet.acBMPreview can be created by a client
//   install-check explorer <exe>   the Explorer entry made as the settings dialog
//                                  makes it names the installed program
//   install-check running          Plansweeper runs (its single-instance mutex exists)
//   install-check hold <file> <s>  keeps the file open as a loaded library is held,
//                                  for that many seconds (a file the setup cannot replace)
//   install-check idle <exe> <s>   keeps the program's process (started suspended)
//                                  for that many seconds: a run the setup must wait for
// Exit code 0 when the check holds; a line says what was found.
#include "platform/text.h"
#include "ui/instance_marker.h"
#include "platform/win_registry.h"
#include "settings/explorer_entry.h"

#include <objbase.h>
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

int Window(const std::wstring& exe) {
    std::wstring line = L"\"" + exe + L"\" /nologo";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        std::printf("window: cannot start\n");
        return 1;
    }
    HWND found = nullptr;
    for (int i = 0; i < 1200 && found == nullptr; ++i) { // a fresh prefix starts slowly
        found = ps::FindMarkedWindow(pi.dwProcessId, true);
        Sleep(50);
    }
    if (found != nullptr)
        PostMessageW(found, WM_CLOSE, 0, 0);
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    std::printf("window: %s\n", found != nullptr ? "shown" : "not shown");
    return found != nullptr ? 0 : 1;
}

int Control() {
    CoInitialize(nullptr);
    CLSID clsid;
    IUnknown* control = nullptr;
    const bool ok = SUCCEEDED(CLSIDFromProgID(L"Pictlet.acBMPreview", &clsid)) &&
                    SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                               reinterpret_cast<void**>(&control)));
    if (control != nullptr)
        control->Release();
    CoUninitialize();
    std::printf("control: %s\n", ok ? "created" : "not created");
    return ok ? 0 : 1;
}

int Explorer(const std::wstring& exe) {
    ps::WinRegistry reg;
    const std::string program = ps::ProgramPathForExplorer(reg, "C:\\nowhere\\Plansweeper.exe");
    const bool ok =
        ps::CreateExplorerEntry(reg, program) && _wcsicmp(ps::Widen(program).c_str(), exe.c_str()) == 0;
    std::printf("explorer: %s (%s)\n", ok ? "names the installed program" : "wrong", program.c_str());
    return ok ? 0 : 1;
}

} // namespace

int Running() {
    const HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, std::wstring(ps::kInstanceMutex).c_str());
    std::printf("running: %s\n", mutex != nullptr ? "yes" : "no");
    if (mutex == nullptr)
        return 1;
    CloseHandle(mutex);
    return 0;
}

int Hold(const std::wstring& file, int seconds) {
    // As a loaded library is held: others may read it, not write it.
    const HANDLE held =
        CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (held == INVALID_HANDLE_VALUE) {
        std::printf("hold: cannot open\n");
        return 1;
    }
    std::printf("hold: held\n");
    std::fflush(stdout);
    Sleep(static_cast<DWORD>(seconds) * 1000);
    CloseHandle(held);
    return 0;
}

// A process of the program that does nothing: to the system it is that
// program running from its folder, as a long batch run is.
int Idle(const std::wstring& exe, int seconds) {
    std::wstring line = L"\"" + exe + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr,
                        &si, &pi)) {
        std::printf("idle: cannot start (error %lu)\n", GetLastError());
        return 1;
    }
    std::printf("idle: process %lu\n", pi.dwProcessId);
    std::fflush(stdout);
    Sleep(static_cast<DWORD>(seconds) * 1000);
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return 0;
}

int wmain(int argc, wchar_t** argv) {
    const std::wstring what = argc > 1 ? argv[1] : L"";
    if (what == L"window" && argc > 2)
        return Window(argv[2]);
    if (what == L"control")
        return Control();
    if (what == L"explorer" && argc > 2)
        return Explorer(argv[2]);
    if (what == L"running")
        return Running();
    if (what == L"hold" && argc > 3)
        return Hold(argv[2], _wtoi(argv[3]));
    if (what == L"idle" && argc > 3)
        return Idle(argv[2], _wtoi(argv[3]));
    std::fprintf(stderr,
                 "usage: install-check window <exe> | control | explorer <exe> | running | hold <file> "
                 "<seconds> | idle <exe> <seconds>\n");
    return 2;
}
