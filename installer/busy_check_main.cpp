// busy-check.exe <folder>: the setup's and the uninstaller's question "does a
// Plansweeper program run from this folder now?". The window holds a mutex
// the setup can see, but plansweeper-batch (one or many, started by a user,
// a script or the Task Scheduler) holds none, and replacing or deleting its
// files under its feet breaks the run. Every process is asked for its image
// path; each one in the folder that is the window or the batch is printed
// as "<name> (process <id>)".
// Exit code: 0 when none runs, 1 when one does, 2 when the processes cannot
// be listed (the setup then refuses too: it cannot prove the folder quiet).
#include <windows.h>

#include <tlhelp32.h>

#include <cstdio>
#include <string>

namespace {

// The programs a run uses; the uninstall programs run from the folder by design.
constexpr const wchar_t* kPrograms[] = {L"plansweeper.exe", L"plansweeper-batch.exe"};

std::wstring Lower(std::wstring s) {
    CharLowerBuffW(s.data(), static_cast<DWORD>(s.size()));
    return s;
}

std::wstring WithoutTrailingSlash(std::wstring s) {
    while (!s.empty() && (s.back() == L'\\' || s.back() == L'/'))
        s.pop_back();
    return s;
}

std::wstring ImagePath(DWORD pid) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (process == nullptr)
        return {};
    std::wstring path(32768, L'\0');
    DWORD size = static_cast<DWORD>(path.size());
    if (!QueryFullProcessImageNameW(process, 0, path.data(), &size))
        size = 0;
    CloseHandle(process);
    path.resize(size);
    return path;
}

// The folder as the system resolves it, so that "C:\PROGRA~1\..." and a
// trailing slash name the same folder as a process's image path does.
std::wstring FullFolder(const std::wstring& folder) {
    std::wstring full(32768, L'\0');
    const DWORD n = GetFullPathNameW(folder.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    full.resize(n < full.size() ? n : 0);
    if (full.empty())
        full = folder;
    std::wstring longName(32768, L'\0');
    const DWORD m = GetLongPathNameW(full.c_str(), longName.data(), static_cast<DWORD>(longName.size()));
    if (m != 0 && m < longName.size()) {
        longName.resize(m);
        full = longName;
    }
    return Lower(WithoutTrailingSlash(full));
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fwprintf(stderr, L"usage: busy-check <folder>\n");
        return 2;
    }
    const std::wstring folder = FullFolder(argv[1]);
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        std::wprintf(L"the running programs cannot be listed (error %lu)\n", GetLastError());
        return 2;
    }
    int found = 0;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        const std::wstring name = Lower(entry.szExeFile);
        bool ours = false;
        for (const wchar_t* program : kPrograms)
            ours = ours || name == program;
        if (!ours || entry.th32ProcessID == GetCurrentProcessId())
            continue;
        const std::wstring image = Lower(ImagePath(entry.th32ProcessID));
        const size_t slash = image.find_last_of(L'\\');
        // A process whose image cannot be read is counted: it may be ours.
        if (image.empty() || (slash != std::wstring::npos && image.substr(0, slash) == folder)) {
            std::wprintf(L"%ls (process %lu)\n", entry.szExeFile, entry.th32ProcessID);
            ++found;
        }
    }
    CloseHandle(snapshot);
    return found > 0 ? 1 : 0;
}
