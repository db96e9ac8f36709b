// Files through the Win32 API behind the FileSystem port.
#pragma once

#include "core/file_facts.h"
#include "core/file_system.h"

#include <windows.h>

#include <functional>
#include <mutex>
#include <unordered_map>
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
    std::optional<std::string> fileId(std::string_view path) const override;
    bool removeFolder(std::string_view path) override;
    std::optional<FileStamp> stamp(std::string_view path,
                                   const std::function<bool(const FileStamp&)>& hashIf) const override;

    // Called between the chunks of a long read or copy (about every MiB):
    // the window pumps its messages there while a run reads a large drawing.
    void setBetweenChunks(std::function<void()> call) { betweenChunks_ = std::move(call); }
    void betweenChunks() const;

private:
    bool copyInChunks(std::string_view from, std::string_view to);
    std::function<void()> betweenChunks_;
    std::string fileIdOf(HANDLE file, std::string_view path, bool isDirectory) const;
    // The volume serial of each folder a file's id was asked in, and when (fileIdOf).
    struct Serial {
        DWORD serial = 0;
        ULONGLONG asked = 0;
    };
    mutable std::mutex serialsLock_;
    mutable std::unordered_map<std::string, Serial> serials_;
};

// A path's attributes, asked off the window's thread so that an unreachable
// network path cannot hold up a window (RunOffThread), at most limitMs;
// nullopt for a path that is not there or did not answer in time.
std::optional<std::uint32_t> AttributesWithin(std::string_view path, unsigned limitMs);

// A UTC file time as the user's short date and long time in local time.
std::string FormatLocalDateTime(FileTime utc);
// A local time as the user's short date and long time.
std::string FormatLocalSystemTime(const SYSTEMTIME& localTime);
// The order of day, month and year in the user's short date format, which
// the two functions above write.
DateOrder UserDateOrder();

} // namespace ps
