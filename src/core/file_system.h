// Files as the program's logic sees them: a port with one Win32
// implementation (platform/win_file_system) and one in memory
// (core/memory_file_system). Paths are UTF-8 Windows paths ("C:\Plans\a.dwg").
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ps {

// File attribute bits with the platform's own values.
enum FileAttribute : std::uint32_t {
    kAttrReadOnly = 0x1,
    kAttrHidden = 0x2,
    kAttrSystem = 0x4,
    kAttrDirectory = 0x10,
    kAttrArchive = 0x20,
    kAttrReparsePoint = 0x400,
};

// A point in time as the platform keeps file times: 100-nanosecond ticks
// since 1601-01-01 UTC.
using FileTime = std::uint64_t;

struct FileTimes {
    FileTime created = 0;
    FileTime modified = 0;
    FileTime accessed = 0;
    friend bool operator==(const FileTimes&, const FileTimes&) = default;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // The attribute bits, or nullopt when the query fails (missing path).
    virtual std::optional<std::uint32_t> attributes(std::string_view path) const = 0;
    // The byte length of a file a plain directory search finds: not a folder,
    // not hidden, not system. nullopt when the search finds nothing.
    virtual std::optional<std::uint64_t> plainFileSize(std::string_view path) const = 0;
    // Up to maxBytes from the start of the file, opened for reading with read
    // and write sharing; nullopt when it cannot be opened or read.
    virtual std::optional<std::string> readPrefix(std::string_view path, std::size_t maxBytes) const = 0;
    // The three file times; nullopt when the file cannot be opened (read and
    // write sharing allowed) or its times cannot be read.
    virtual std::optional<FileTimes> fileTimes(std::string_view path) const = 0;
    // The last-write time in local time as the user's short date and long
    // time; empty when the file cannot be opened.
    virtual std::string lastWriteText(std::string_view path) const = 0;

    // Creates or truncates the file and writes the bytes; false on any failure.
    virtual bool writeFile(std::string_view path, std::string_view bytes) = 0;
    // Appends to the file, creating it when missing; false on any failure.
    virtual bool appendFile(std::string_view path, std::string_view bytes) = 0;
    // Writes the three file times back; false when the file cannot be opened.
    virtual bool setFileTimes(std::string_view path, const FileTimes& times) = 0;
    // Deletes a file, also a read-only one; false when it could not.
    virtual bool deleteFile(std::string_view path) = 0;
    // True when the file can be opened for reading while refusing others
    // write access: false for a file another program holds open for
    // writing, or one this user may not read.
    virtual bool canOpenDenyingWrites(std::string_view path) const = 0;
};

} // namespace ps
