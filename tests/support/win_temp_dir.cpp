#include "support/win_temp_dir.h"

#include "platform/handles.h"
#include "platform/text.h"
#include "platform/win_paths.h"

#include <windows.h>

#include <atomic>

namespace ps::test {

TempDir::TempDir() : TempDir(TempFolder()) {}

TempDir::TempDir(std::string_view parent) {
    static std::atomic<int> counter{0};
    std::wstring base = Widen(parent);
    if (!base.empty() && base.back() == L'\\')
        base.pop_back();
    for (int attempt = 0;; ++attempt) {
        const std::wstring candidate =
            base + L"\\pstest-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(counter++);
        if (CreateDirectoryW(candidate.c_str(), nullptr) || attempt > 1000) {
            path_ = Narrow(candidate);
            break;
        }
    }
}

TempDir::~TempDir() {
    RemoveTree(path_);
}

std::string TempDir::write(std::string_view name, std::string_view bytes) const {
    const std::string path = file(name);
    WriteFileBytes(path, bytes);
    return path;
}

void WriteFileBytes(const std::string& path, std::string_view bytes) {
    UniqueFile file(CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (file && !bytes.empty())
        WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::string ReadFileBytes(const std::string& path) {
    UniqueFile file(CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr));
    std::string bytes;
    if (!file)
        return bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    return bytes;
}

void RemoveTree(const std::string& path) {
    const std::wstring wide = Widen(path);
    WIN32_FIND_DATAW data;
    UniqueFind find(FindFirstFileW((wide + L"\\*").c_str(), &data));
    if (find) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring child = wide + L"\\" + name;
            SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
                RemoveTree(Narrow(child));
            else if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
                RemoveDirectoryW(child.c_str());
            else
                DeleteFileW(child.c_str());
        } while (FindNextFileW(find.get(), &data));
    }
    find.reset();
    RemoveDirectoryW(wide.c_str());
}

} // namespace ps::test
