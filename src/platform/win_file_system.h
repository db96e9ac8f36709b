// Files through the Win32 API behind the FileSystem port.
#pragma once

#include "core/file_system.h"

#include <windows.h>

#include <string>

namespace ps {

class WinFileSystem : public FileSystem {
public:
    std::optional<std::uint32_t> attributes(std::string_view path) const override;
    std::optional<DirEntry> findEntry(std::string_view path) const override;
    std::optional<std::string> readPrefix(std::string_view path, std::size_t maxBytes) const override;
    std::optional<std::string> readFile(std::string_view path) const override;
    std::optional<FileTimes> fileTimes(std::string_view path) const override;
    std::string dateText(FileTime time) const override;
    bool writeFile(std::string_view path, std::string_view bytes) override;
    bool appendFile(std::string_view path, std::string_view bytes) override;
    bool setFileTimes(std::string_view path, const FileTimes& times) override;
    bool deleteFile(std::string_view path, bool evenReadOnly = false) override;
    std::optional<std::string> readPrefixDenyingWrites(std::string_view path,
                                                       std::size_t maxBytes) const override;
    std::optional<std::vector<DirEntry>> listDirectory(std::string_view folder,
                                                       std::string_view pattern) const override;
    std::optional<FileFingerprint> fingerprint(std::string_view path) const override;
    bool copyFile(std::string_view from, std::string_view to) override;
    bool replaceFileAtomically(std::string_view path, std::string_view bytes) override;
    bool createFolder(std::string_view path) override;
    std::optional<std::string> readRange(std::string_view path, std::uint64_t offset,
                                         std::size_t count) const override;
    std::optional<std::uint64_t> freeSpace(std::string_view folder) const override;
    std::string normalPath(std::string_view path) const override;
};

// A UTC file time as the user's short date and long time in local time.
std::string FormatLocalDateTime(FileTime utc);
// A local time as the user's short date and long time.
std::string FormatLocalSystemTime(const SYSTEMTIME& localTime);

} // namespace ps
