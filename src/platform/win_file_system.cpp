#include "platform/win_file_system.h"

#include "core/file_facts.h"
#include "core/strings.h"
#include "platform/handles.h"
#include "platform/off_thread.h"
#include "platform/text.h"
#include "platform/win_paths.h"

#include <windows.h>
#include <winternl.h>

#include <cstdio>

#include <algorithm>
#include <memory>

namespace ps {
namespace {

FileTime ToFileTime(const FILETIME& ft) {
    return (static_cast<FileTime>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

FILETIME ToFiletime(FileTime t) {
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(t & 0xFFFFFFFFu);
    ft.dwHighDateTime = static_cast<DWORD>(t >> 32);
    return ft;
}

DirEntry ToDirEntry(const WIN32_FIND_DATAW& data) {
    return {Narrow(data.cFileName), data.dwFileAttributes,
            (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow,
            FileTimes{ToFileTime(data.ftCreationTime), ToFileTime(data.ftLastWriteTime),
                      ToFileTime(data.ftLastAccessTime)}};
}

UniqueFile OpenForReading(std::string_view path) {
    return UniqueFile(CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Hands the whole file to take, chunk by chunk; false when it cannot be opened
// or read. The buffer is no larger than the file needs and is not cleared:
// a drawing is read several times per run, and a fresh megabyte zeroed for
// each read cost more than the reading.
template <typename Take> bool ReadChunksOf(const UniqueFile& file, std::size_t chunkSize, Take take) {
    if (!file)
        return false;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file.get(), &size) && size.QuadPart >= 0)
        chunkSize =
            std::min(chunkSize, std::max<std::size_t>(static_cast<std::size_t>(size.QuadPart) + 1, 4096));
    const auto buffer = std::make_unique_for_overwrite<char[]>(chunkSize);
    DWORD got = 0;
    while (true) {
        if (!ReadFile(file.get(), buffer.get(), static_cast<DWORD>(chunkSize), &got, nullptr))
            return false;
        if (got == 0)
            return true;
        take(std::string_view(buffer.get(), got));
    }
}

template <typename Take> bool ReadChunks(std::string_view path, std::size_t chunkSize, Take take) {
    return ReadChunksOf(OpenForReading(path), chunkSize, take);
}

} // namespace

std::optional<std::uint32_t> WinFileSystem::attributes(std::string_view path) const {
    const DWORD attrs = GetFileAttributesW(Widen(path).c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES)
        return std::nullopt;
    return attrs;
}

std::optional<DirEntry> WinFileSystem::findEntry(std::string_view path) const {
    // A path is a name here, never a pattern.
    if (path.empty() || path.find_first_of("*?") != std::string_view::npos)
        return std::nullopt;
    // The attribute query reads what a search would find without opening the
    // folder: one call where a search takes three.
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(Widen(path).c_str(), GetFileExInfoStandard, &data))
        return std::nullopt;
    const auto cut = path.find_last_of("\\:");
    return DirEntry{std::string(cut == std::string_view::npos ? path : path.substr(cut + 1)),
                    data.dwFileAttributes,
                    (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow,
                    FileTimes{ToFileTime(data.ftCreationTime), ToFileTime(data.ftLastWriteTime),
                              ToFileTime(data.ftLastAccessTime)}};
}

namespace {

std::optional<std::string> ReadPrefixOf(const UniqueFile& file, std::size_t maxBytes) {
    if (!file)
        return std::nullopt;
    std::string bytes(maxBytes, '\0');
    std::size_t total = 0;
    while (total < maxBytes) {
        DWORD got = 0;
        if (!ReadFile(file.get(), bytes.data() + total, static_cast<DWORD>(maxBytes - total), &got, nullptr))
            return std::nullopt;
        if (got == 0)
            break;
        total += got;
    }
    bytes.resize(total);
    return bytes;
}

} // namespace

std::optional<std::string> WinFileSystem::readPrefix(std::string_view path, std::size_t maxBytes) const {
    return ReadPrefixOf(OpenForReading(path), maxBytes);
}

std::optional<FileTimes> WinFileSystem::fileTimes(std::string_view path) const {
    const UniqueFile file = OpenForReading(path);
    if (!file)
        return std::nullopt;
    FILETIME created, accessed, modified;
    if (!GetFileTime(file.get(), &created, &accessed, &modified))
        return std::nullopt;
    return FileTimes{ToFileTime(created), ToFileTime(modified), ToFileTime(accessed)};
}

std::string WinFileSystem::dateText(FileTime time) const {
    return FormatLocalDateTime(time);
}

namespace {

bool WriteAll(HANDLE file, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD wrote = 0;
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        if (!WriteFile(file, bytes.data() + done, chunk, &wrote, nullptr) || wrote == 0)
            return false;
        done += wrote;
    }
    return true;
}

} // namespace

bool WinFileSystem::writeFile(std::string_view path, std::string_view bytes) {
    UniqueFile file(CreateFileW(Widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && WriteAll(file.get(), bytes);
}

bool WinFileSystem::appendFile(std::string_view path, std::string_view bytes) {
    UniqueFile file(CreateFileW(Widen(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && WriteAll(file.get(), bytes);
}

bool WinFileSystem::setFileTimes(std::string_view path, const FileTimes& times) {
    UniqueFile file(CreateFileW(Widen(path).c_str(), FILE_WRITE_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    const FILETIME created = ToFiletime(times.created);
    const FILETIME accessed = ToFiletime(times.accessed);
    const FILETIME modified = ToFiletime(times.modified);
    return SetFileTime(file.get(), &created, &accessed, &modified) != FALSE;
}

bool WinFileSystem::deleteFile(std::string_view path, bool evenReadOnly) {
    const std::wstring wide = Widen(path);
    const DWORD attrs = GetFileAttributesW(wide.c_str());
    if (evenReadOnly && attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_READONLY) != 0)
        SetFileAttributesW(wide.c_str(), attrs & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    return DeleteFileW(wide.c_str()) != FALSE;
}

std::optional<std::string> WinFileSystem::readPrefixDenyingWrites(std::string_view path,
                                                                  std::size_t maxBytes) const {
    return ReadPrefixOf(UniqueFile(CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)),
                        maxBytes);
}

std::optional<std::vector<DirEntry>> WinFileSystem::listDirectory(std::string_view folder,
                                                                  std::string_view pattern) const {
    std::string searchPath(folder);
    if (searchPath.empty() || searchPath.back() != '\\')
        searchPath += '\\';
    searchPath += pattern;
    WIN32_FIND_DATAW data;
    UniqueFind find(FindFirstFileExW(Widen(searchPath).c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                     nullptr, FIND_FIRST_EX_LARGE_FETCH));
    std::vector<DirEntry> entries;
    if (!find) {
        // An empty match is a listing too; a folder that cannot be read is not.
        if (GetLastError() == ERROR_FILE_NOT_FOUND)
            return entries;
        return std::nullopt;
    }
    do {
        entries.push_back(ToDirEntry(data));
    } while (FindNextFileW(find.get(), &data));
    return entries;
}

namespace {

// FNV-1a over the whole file, from where it stands; nullopt on a failed read.
std::optional<FileFingerprint> FingerprintOf(const UniqueFile& file, const std::function<void()>& between) {
    FileFingerprint f{0, 0xcbf29ce484222325ULL};
    const bool read = ReadChunksOf(file, 1 << 20, [&](std::string_view chunk) {
        f.hash = HashBytes(chunk, f.hash);
        f.size += chunk.size();
        between();
    });
    return read ? std::optional<FileFingerprint>(f) : std::nullopt;
}

} // namespace

std::optional<FileFingerprint> WinFileSystem::fingerprint(std::string_view path) const {
    return FingerprintOf(OpenForReading(path), [this] { betweenChunks(); });
}

// One open answers size, date and number.
std::optional<FileStamp> WinFileSystem::stamp(std::string_view path,
                                              const std::function<bool(const FileStamp&)>& hashIf) const {
    const UniqueFile file = OpenForReading(path);
    FILE_BASIC_INFO basic{};
    FILE_STANDARD_INFO standard{};
    if (!file || !GetFileInformationByHandleEx(file.get(), FileBasicInfo, &basic, sizeof basic) ||
        !GetFileInformationByHandleEx(file.get(), FileStandardInfo, &standard, sizeof standard) ||
        standard.Directory)
        return std::nullopt;
    FileStamp s{{},
                static_cast<std::uint64_t>(standard.EndOfFile.QuadPart),
                static_cast<FileTime>(basic.LastWriteTime.QuadPart),
                {}};
    s.id = fileIdOf(file.get(), path, false);
    if (hashIf(s)) {
        const auto print = FingerprintOf(file, [this] { betweenChunks(); });
        if (!print)
            return std::nullopt;
        s.hash = print->hash;
    }
    return s;
}

bool WinFileSystem::copyFile(std::string_view from, std::string_view to) {
    if (!betweenChunks_)
        return CopyFileW(Widen(from).c_str(), Widen(to).c_str(), FALSE) != FALSE;
    return copyInChunks(from, to);
}

// As CopyFile copies (bytes, attributes, times), a MiB at a time with the
// caller's call between the MiBs.
bool WinFileSystem::copyInChunks(std::string_view from, std::string_view to) {
    const std::wstring target = Widen(to);
    const DWORD attributes = GetFileAttributesW(Widen(from).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    // A read-only target cannot be opened for writing: refused, as CopyFile refuses it.
    bool written = false;
    FILETIME created{}, accessed{}, modified{};
    {
        const UniqueFile source = OpenForReading(from);
        UniqueFile copy(CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!source || !copy || !GetFileTime(source.get(), &created, &accessed, &modified))
            return false;
        bool copied = true;
        written = ReadChunks(from, 1 << 20, [&](std::string_view chunk) {
            copied = copied && WriteAll(copy.get(), chunk);
            betweenChunks();
        });
        written = written && copied && SetFileTime(copy.get(), &created, &accessed, &modified);
    }
    if (!written || !SetFileAttributesW(target.c_str(), attributes)) {
        DeleteFileW(target.c_str());
        return false;
    }
    return true;
}

void WinFileSystem::betweenChunks() const {
    if (betweenChunks_)
        betweenChunks_();
}

bool WinFileSystem::replaceFileAtomically(std::string_view path, std::string_view bytes) {
    const std::wstring temp = Widen(std::string(path) + ".partial");
    bool written = false;
    {
        UniqueFile file(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file)
            return false;
        written = WriteAll(file.get(), bytes) && FlushFileBuffers(file.get());
    }
    if (written &&
        MoveFileExW(temp.c_str(), Widen(path).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    // Nothing half-written is left behind.
    DeleteFileW(temp.c_str());
    return false;
}

bool WinFileSystem::createFolder(std::string_view path) {
    const std::wstring wide = Widen(path);
    for (std::size_t i = 1; i <= wide.size(); ++i) {
        if (i == wide.size() || wide[i] == L'\\') {
            const std::wstring part = wide.substr(0, i);
            if (part.size() > 2 || (part.size() == 2 && part[1] != L':'))
                CreateDirectoryW(part.c_str(), nullptr);
        }
    }
    const DWORD attrs = GetFileAttributesW(wide.c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::optional<std::string> WinFileSystem::readRange(std::string_view path, std::uint64_t offset,
                                                    std::size_t count) const {
    const UniqueFile file = OpenForReading(path);
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    if (!file || offset > static_cast<std::uint64_t>(INT64_MAX) ||
        !SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN))
        return std::nullopt;
    return ReadPrefixOf(file, count);
}

std::optional<std::uint64_t> WinFileSystem::freeSpace(std::string_view folder) const {
    ULARGE_INTEGER available;
    if (!GetDiskFreeSpaceExW(Widen(folder).c_str(), &available, nullptr, nullptr))
        return std::nullopt;
    return available.QuadPart;
}

std::string WinFileSystem::normalPath(std::string_view path) const {
    const std::wstring full = Widen(FullPathOf(LexicalFullPath(path)));
    // Short names ("PLANS~1") become long ones where the file exists; only
    // they hold "~", and asking costs a look at the disk.
    if (full.find(L'~') == std::wstring::npos)
        return Narrow(full);
    std::wstring longForm(full.size() + MAX_PATH, L'\0');
    const DWORD n = GetLongPathNameW(full.c_str(), longForm.data(), static_cast<DWORD>(longForm.size()));
    if (n == 0 || n >= longForm.size())
        return Narrow(full);
    longForm.resize(n);
    return Narrow(longForm);
}

std::optional<std::string> WinFileSystem::fileId(std::string_view path) const {
    // No access asked: a file AutoCAD holds open without sharing answers too;
    // backup semantics open folders as well.
    const UniqueFile file(CreateFileW(Widen(path).c_str(), 0,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    FILE_STANDARD_INFO standard{};
    if (!file || !GetFileInformationByHandleEx(file.get(), FileStandardInfo, &standard, sizeof standard))
        return std::nullopt;
    std::string id = fileIdOf(file.get(), path, standard.Directory != FALSE);
    if (id.empty())
        return std::nullopt;
    return id;
}

// The volume serial and the file's number, as "vvvvvvvv-nnnnnnnnnnnnnnnn";
// empty where the volume numbers nothing (some network file systems tell
// files apart by no number: the path has to do). The serial is a question to
// the volume, not the file (under Wine it cost five times the open), so it is
// asked once per folder and kept a few seconds: a file lies on its folder's
// volume, and a folder opened is the volume it shows, even where another
// volume is mounted or a link leads elsewhere.
std::string WinFileSystem::fileIdOf(HANDLE file, std::string_view path, bool isDirectory) const {
    FILE_INTERNAL_INFORMATION number{};
    IO_STATUS_BLOCK io{};
    if (NtQueryInformationFile(file, &io, &number, sizeof number, FileInternalInformation) < 0 ||
        number.IndexNumber.QuadPart == 0)
        return {};
    std::string_view folder = path;
    while (folder.size() > 1 && (folder.back() == '\\' || folder.back() == '/'))
        folder.remove_suffix(1);
    if (!isDirectory) {
        const auto cut = folder.find_last_of("\\/");
        folder = folder.substr(0, cut == std::string_view::npos ? 0 : cut);
    }
    const std::string key = ToUpper(folder);
    const ULONGLONG now = GetTickCount64();
    constexpr ULONGLONG kKeptMs = 5000;
    std::optional<DWORD> serial;
    {
        const std::lock_guard lock(serialsLock_);
        if (const auto found = serials_.find(key);
            found != serials_.end() && now - found->second.asked < kKeptMs)
            serial = found->second.serial;
    }
    if (!serial) {
        BY_HANDLE_FILE_INFORMATION info{};
        if (!GetFileInformationByHandle(file, &info))
            return {};
        serial = info.dwVolumeSerialNumber;
        const std::lock_guard lock(serialsLock_);
        if (serials_.size() > 10000)
            serials_.clear();
        serials_[key] = {info.dwVolumeSerialNumber, now};
    }
    char text[40];
    std::snprintf(text, sizeof text, "%08lx-%016llx", static_cast<unsigned long>(*serial),
                  static_cast<unsigned long long>(number.IndexNumber.QuadPart));
    return text;
}

bool WinFileSystem::removeFolder(std::string_view path) {
    return RemoveDirectoryW(Widen(path).c_str()) != FALSE;
}

std::optional<std::uint32_t> AttributesWithin(std::string_view path, unsigned limitMs) {
    auto attributes = std::make_shared<DWORD>(INVALID_FILE_ATTRIBUTES);
    const auto answered = RunOffThread(
        [attributes, wide = Widen(path)] {
            *attributes = GetFileAttributesW(wide.c_str());
            return *attributes != INVALID_FILE_ATTRIBUTES;
        },
        limitMs);
    if (!answered || !*answered)
        return std::nullopt;
    return *attributes;
}

std::string FormatLocalDateTime(FileTime utc) {
    const FILETIME ft = ToFiletime(utc);
    FILETIME local;
    SYSTEMTIME st;
    if (!FileTimeToLocalFileTime(&ft, &local) || !FileTimeToSystemTime(&local, &st))
        return {};
    return FormatLocalSystemTime(st);
}

DateOrder UserDateOrder() {
    wchar_t pattern[80]{};
    if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SSHORTDATE, pattern, 80) == 0)
        return DateOrder::YMD;
    for (const wchar_t* c = pattern; *c != 0; ++c) {
        if (*c == L'y')
            return DateOrder::YMD;
        if (*c == L'd')
            return DateOrder::DMY;
        if (*c == L'M')
            return DateOrder::MDY;
    }
    return DateOrder::YMD;
}

std::string FormatLocalSystemTime(const SYSTEMTIME& st) {
    wchar_t date[128];
    wchar_t time[128];
    if (GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, date, 128) == 0 ||
        GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &st, nullptr, time, 128) == 0)
        return {};
    return Narrow(date) + " " + Narrow(time);
}

std::optional<std::string> WinFileSystem::readFile(std::string_view path) const {
    std::string bytes;
    const bool read = ReadChunks(path, 1 << 16, [&](std::string_view chunk) {
        bytes.append(chunk);
        if (bytes.size() % (1 << 20) < chunk.size())
            betweenChunks();
    });
    return read ? std::optional<std::string>(std::move(bytes)) : std::nullopt;
}

} // namespace ps
