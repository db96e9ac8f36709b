#include "platform/win_paths.h"

#include "platform/handles.h"
#include "platform/text.h"

#include <windows.h>

#include <cstdio>

#include <shlobj.h>

#include <vector>

namespace ps {

std::string ProgramFolder() {
    std::vector<wchar_t> exe(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, exe.data(), static_cast<DWORD>(exe.size()));
        if (n == 0)
            return {};
        if (n < exe.size()) {
            std::string path = Narrow(std::wstring(exe.data(), n));
            return path.substr(0, path.find_last_of('\\'));
        }
        exe.resize(exe.size() * 2);
    }
}

std::string TempFolder() {
    wchar_t temp[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    return n == 0 || n > MAX_PATH ? std::string() : Narrow(std::wstring(temp, n));
}

std::string ApplicationDataFolder() {
    wchar_t folder[MAX_PATH];
    std::string base = SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, folder))
                           ? Narrow(folder) + "\\"
                           : TempFolder();
    base += "Plansweeper";
    CreateDirectoryW(Widen(base).c_str(), nullptr);
    return base;
}

std::string DocumentsFolder() {
    PWSTR documents = nullptr;
    if (FAILED(SHGetKnownFolderPath(FOLDERID_Documents, 0, nullptr, &documents)))
        return {};
    const CoTaskMem<PWSTR> owned(documents);
    return Narrow(owned.get());
}

std::string WorkingListPath() {
    return ApplicationDataFolder() + "\\Working list.log";
}

std::string FullPathOf(const std::string& path) {
    wchar_t buffer[4096];
    const DWORD n = GetFullPathNameW(Widen(path).c_str(), 4096, buffer, nullptr);
    return n == 0 || n >= 4096 ? path : Narrow(std::wstring(buffer, n));
}

std::string NewTranscriptsFolder() {
    const std::string parent = ApplicationDataFolder() + "\\Transcripts";
    CreateDirectoryW(Widen(parent).c_str(), nullptr);
    SYSTEMTIME t;
    GetLocalTime(&t);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u.%02u.%02u", t.wYear, t.wMonth, t.wDay, t.wHour,
                  t.wMinute, t.wSecond);
    std::string folder = parent + "\\" + stamp;
    // Two runs started in one second each get their own.
    for (int n = 2; !CreateDirectoryW(Widen(folder).c_str(), nullptr) && n < 100; ++n)
        folder = parent + "\\" + stamp + " (" + std::to_string(n) + ")";
    return folder;
}

} // namespace ps
