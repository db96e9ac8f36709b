#include "support/win_process.h"

#include "platform/text.h"

#include <tlhelp32.h>

namespace ps::test {

ChildProcess::~ChildProcess() {
    if (process_ && running())
        kill();
}

bool ChildProcess::start(const std::string& commandLine, const std::string& outputFile) {
    std::wstring line = Widen(commandLine);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    UniqueFile output;
    if (!outputFile.empty()) {
        SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
        output.reset(CreateFileW(Widen(outputFile).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 &sa, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = output.get();
        si.hStdError = output.get();
        si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    }
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, output ? TRUE : FALSE, 0, nullptr, nullptr,
                        &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    process_.reset(pi.hProcess);
    pid_ = pi.dwProcessId;
    return true;
}

bool ChildProcess::waitFor(DWORD milliseconds) {
    return !process_ || WaitForSingleObject(process_.get(), milliseconds) == WAIT_OBJECT_0;
}

DWORD ChildProcess::exitCode() {
    DWORD code = STILL_ACTIVE;
    if (process_)
        GetExitCodeProcess(process_.get(), &code);
    return code;
}

void ChildProcess::kill() {
    if (process_) {
        TerminateProcess(process_.get(), 1);
        WaitForSingleObject(process_.get(), 5000);
    }
}

std::string ProgramFolder() {
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::string folder = Narrow(exe);
    return folder.substr(0, folder.find_last_of('\\'));
}

namespace {

struct Search {
    DWORD pid;
    std::vector<WindowInfo> found;
};

BOOL CALLBACK Collect(HWND hwnd, LPARAM lp) {
    auto* search = reinterpret_cast<Search*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == search->pid && IsWindowVisible(hwnd)) {
        wchar_t title[256] = {};
        GetWindowTextW(hwnd, title, 256);
        search->found.push_back({hwnd, Narrow(title), GetWindow(hwnd, GW_OWNER)});
    }
    return TRUE;
}

BOOL CALLBACK CollectButtons(HWND hwnd, LPARAM lp) {
    wchar_t cls[64] = {};
    GetClassNameW(hwnd, cls, 64);
    if (lstrcmpiW(cls, L"Button") == 0) {
        wchar_t caption[128] = {};
        GetWindowTextW(hwnd, caption, 128);
        reinterpret_cast<std::vector<std::string>*>(lp)->push_back(Narrow(caption));
    }
    return TRUE;
}

} // namespace

std::vector<WindowInfo> WindowsOf(DWORD pid) {
    Search search{pid, {}};
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForWindow(DWORD pid, const std::string& prefix, DWORD milliseconds) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (const auto& w : WindowsOf(pid))
                if (w.title.rfind(prefix, 0) == 0) {
                    found = w.hwnd;
                    return true;
                }
            return false;
        },
        milliseconds);
    return found;
}

std::vector<std::string> ButtonCaptions(HWND window) {
    std::vector<std::string> captions;
    EnumChildWindows(window, CollectButtons, reinterpret_cast<LPARAM>(&captions));
    return captions;
}

std::size_t StandinsRunning() {
    UniqueHandleKernel snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    std::size_t running = 0;
    for (BOOL ok = Process32FirstW(snapshot.get(), &entry); ok; ok = Process32NextW(snapshot.get(), &entry))
        running += _wcsicmp(entry.szExeFile, L"acad.exe") == 0 ? 1 : 0;
    return running;
}

void EndStandins() {
    UniqueHandleKernel snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL ok = Process32FirstW(snapshot.get(), &entry); ok; ok = Process32NextW(snapshot.get(), &entry)) {
        if (_wcsicmp(entry.szExeFile, L"acad.exe") != 0)
            continue;
        UniqueHandleKernel process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID));
        if (process && TerminateProcess(process.get(), 1))
            WaitForSingleObject(process.get(), 5000);
    }
}

} // namespace ps::test
