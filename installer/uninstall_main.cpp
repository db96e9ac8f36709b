// Uninstall.exe: starts the setup's uninstaller in the installation folder
// and waits for it, so that whoever started the uninstall (Programs and
// Features, a deployment script) goes on only once every file and entry is
// gone. The uninstaller would otherwise copy itself away and return at once.
// Arguments (/S for a silent uninstall) are passed on; the exit code is the
// uninstaller's. Runs elevated, as the uninstaller does (its manifest).
#include <windows.h>

#include <string>

namespace {

std::wstring OwnFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return {};
        if (n < path.size()) {
            path.resize(n);
            return path.substr(0, path.find_last_of(L'\\'));
        }
        path.resize(path.size() * 2);
    }
}

// The uninstaller cannot remove itself or this program while they run.
// Now that it has ended it goes; this program, still running, can only be
// renamed out of the folder (it goes at the next restart), then the folder
// is removed.
void RemoveUninstallPrograms(const std::wstring& folder) {
    DeleteFileW((folder + L"\\uninstall-core.exe").c_str());
    std::wstring self(MAX_PATH, L'\0');
    self.resize(GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
    wchar_t temp[MAX_PATH + 1];
    wchar_t parked[MAX_PATH + 1];
    if (GetTempPathW(MAX_PATH + 1, temp) != 0 && GetTempFileNameW(temp, L"psu", 0, parked) != 0 &&
        MoveFileExW(self.c_str(), parked, MOVEFILE_REPLACE_EXISTING)) {
        MoveFileExW(parked, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    } else {
        MoveFileExW(self.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
    if (!RemoveDirectoryW(folder.c_str()))
        MoveFileExW(folder.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR arguments, int) {
    const std::wstring folder = OwnFolder();
    // "_?=" keeps the uninstaller where it is; it must come last.
    std::wstring line =
        L"\"" + folder + L"\\uninstall-core.exe\" " + std::wstring(arguments) + L" _?=" + folder;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return 2;
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 2;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    if (code == 0)
        RemoveUninstallPrograms(folder);
    return static_cast<int>(code);
}
