// Files as the program's logic sees them: a port with one Win32
// implementation (platform/win_file_system) and one in memory
// (core/memory_file_system). Paths are UTF-8 Windows paths ("C:\Plans\a.dwg").
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

struct DirEntry {
    std::string name; // without the folder
    std::uint32_t attributes = 0;
    std::uint64_t size = 0;
    FileTimes times{};
};

// What a file holds, in brief: its length and a 64-bit hash of its bytes.
struct FileFingerprint {
    std::uint64_t size = 0;
    std::uint64_t hash = 0;
    friend bool operator==(const FileFingerprint&, const FileFingerprint&) = default;
};

// A file as the history of OK runs knows it: what the file system says it is
// (as fileId says it; empty where the volume numbers nothing), its size and
// last write, and the hash of its bytes when it was asked for.
struct FileStamp {
    std::string id;
    std::uint64_t size = 0;
    FileTime modified = 0;
    std::optional<std::uint64_t> hash;
};

// FNV-1a over bytes, continuing from a previous value.
std::uint64_t HashBytes(std::string_view bytes, std::uint64_t hash = 0xcbf29ce484222325ULL);

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // The attribute bits, or nullopt when the query fails (missing path).
    virtual std::optional<std::uint32_t> attributes(std::string_view path) const = 0;
    // The directory entry of the path (a name, never a pattern): attributes,
    // size and times in one look, as a search would find them. nullopt when
    // there is nothing at the path.
    virtual std::optional<DirEntry> findEntry(std::string_view path) const = 0;
    // Up to maxBytes from the start of the file, opened for reading with read
    // and write sharing; nullopt when it cannot be opened or read.
    virtual std::optional<std::string> readPrefix(std::string_view path, std::size_t maxBytes) const = 0;
    // The whole file, opened like readPrefix.
    virtual std::optional<std::string> readFile(std::string_view path) const = 0;
    // The three file times; nullopt when the file cannot be opened (read and
    // write sharing allowed) or its times cannot be read.
    virtual std::optional<FileTimes> fileTimes(std::string_view path) const = 0;
    // A file time in local time as the user's short date and long time.
    virtual std::string dateText(FileTime time) const = 0;

    // Creates or truncates the file and writes the bytes; false on any failure.
    virtual bool writeFile(std::string_view path, std::string_view bytes) = 0;
    // Appends to the file, creating it when missing; false on any failure.
    virtual bool appendFile(std::string_view path, std::string_view bytes) = 0;
    // Writes the three file times back; false when the file cannot be opened.
    virtual bool setFileTimes(std::string_view path, const FileTimes& times) = 0;
    // Deletes a file (a read-only one only when asked to); false when it could not.
    virtual bool deleteFile(std::string_view path, bool evenReadOnly = false) = 0;
    // Up to maxBytes from the start of the file, opened for reading while
    // refusing others write access; nullopt for a file another program holds
    // open for writing, or one this user may not read.
    virtual std::optional<std::string> readPrefixDenyingWrites(std::string_view path,
                                                               std::size_t maxBytes) const = 0;

    // The entries of a folder (which ends with "\") whose names match the
    // pattern ("*", "*.dwg"), "." and ".." included as the platform lists
    // them; nullopt when the folder cannot be listed.
    virtual std::optional<std::vector<DirEntry>> listDirectory(std::string_view folder,
                                                               std::string_view pattern) const = 0;
    virtual std::optional<FileFingerprint> fingerprint(std::string_view path) const = 0;
    // Copies a file, replacing the target; false on any failure.
    virtual bool copyFile(std::string_view from, std::string_view to) = 0;
    // Replaces the file's content so that a crash leaves either the old or
    // the new content, never a part: written beside, flushed, then renamed.
    virtual bool replaceFileAtomically(std::string_view path, std::string_view bytes) = 0;
    // Creates the folder and any missing parents; true when it exists afterwards.
    virtual bool createFolder(std::string_view path) = 0;

    // Up to count bytes from offset on (fewer at the end of the file), opened
    // like readPrefix; nullopt when it cannot be opened or read.
    virtual std::optional<std::string> readRange(std::string_view path, std::uint64_t offset,
                                                 std::size_t count) const = 0;
    // The bytes this user may still write on the volume that holds the
    // folder; nullopt when the volume cannot tell.
    virtual std::optional<std::uint64_t> freeSpace(std::string_view folder) const = 0;
    // One spelling for every spelling of a path: full, "." and ".." resolved,
    // without a "\\?\" prefix, short names long where the file exists.
    // Compared without regard to case.
    virtual std::string normalPath(std::string_view path) const = 0;
    // What the file system says a file or folder is, whatever path reaches
    // it (another drive letter, a link, a share of a local folder): the
    // volume and the file's number on it. nullopt when nothing can be opened there.
    virtual std::optional<std::string> fileId(std::string_view path) const = 0;
    // Deletes an empty folder; false when it could not.
    virtual bool removeFolder(std::string_view path) = 0;
    // The file's stamp from one open (read and write sharing), its bytes read
    // and hashed only when hashIf says so of the rest: a drawing whose size
    // or date already differ is not read. nullopt when it cannot be opened or read.
    virtual std::optional<FileStamp> stamp(std::string_view path,
                                           const std::function<bool(const FileStamp&)>& hashIf) const = 0;
};

} // namespace ps
