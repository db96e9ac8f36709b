#include "core/file_facts.h"

namespace ps {
namespace {

// Position just after the folder part ("\" or ":"), 0 when there is none.
std::size_t NameStart(std::string_view path) {
    const auto cut = path.find_last_of("\\:");
    return cut == std::string_view::npos ? 0 : cut + 1;
}

// Position of the extension's dot, npos when the name has none.
std::size_t ExtensionDot(std::string_view path) {
    const auto dot = path.rfind('.');
    if (dot == std::string_view::npos || dot < NameStart(path))
        return std::string_view::npos;
    return dot;
}

} // namespace

bool FileExists(const FileSystem& fs, std::string_view path) {
    const auto attrs = fs.attributes(path);
    return attrs && (*attrs & kAttrDirectory) == 0;
}

bool FolderExists(const FileSystem& fs, std::string_view path) {
    const auto attrs = fs.attributes(path);
    return attrs && (*attrs & kAttrDirectory) != 0;
}

bool IsReadOnly(const FileSystem& fs, std::string_view path) {
    const auto attrs = fs.attributes(path);
    return attrs && (*attrs & kAttrReadOnly) != 0;
}

std::int64_t KilobytesHalfEven(std::uint64_t bytes) {
    const std::uint64_t whole = bytes / 1024;
    const std::uint64_t rest = bytes % 1024;
    std::uint64_t kb = whole;
    if (rest > 512 || (rest == 512 && whole % 2 == 1))
        ++kb;
    return static_cast<std::int64_t>(kb);
}

std::optional<std::uint64_t> PlainFileSize(const DirEntry& entry) {
    if ((entry.attributes & (kAttrDirectory | kAttrHidden | kAttrSystem)) != 0)
        return std::nullopt;
    return entry.size;
}

std::optional<std::uint64_t> PlainFileSize(const FileSystem& fs, std::string_view path) {
    const auto entry = fs.findEntry(path);
    return entry ? PlainFileSize(*entry) : std::nullopt;
}

std::int64_t FileSizeKB(const FileSystem& fs, std::string_view path) {
    const auto size = PlainFileSize(fs, path);
    return size ? KilobytesHalfEven(*size) : 0;
}

std::string FileDateText(const FileSystem& fs, std::string_view path) {
    const auto times = fs.fileTimes(path);
    return times ? fs.dateText(times->modified) : std::string();
}

bool GetFileDates(const FileSystem& fs, std::string_view path, FileTimes& times) {
    const auto read = fs.fileTimes(path);
    if (!read)
        return false;
    times = *read;
    return true;
}

std::string FileExtension(std::string_view path) {
    const auto dot = ExtensionDot(path);
    return dot == std::string_view::npos ? std::string() : std::string(path.substr(dot + 1));
}

std::string FileBaseName(std::string_view path, bool whole) {
    const auto dot = ExtensionDot(path);
    const auto end = dot == std::string_view::npos ? path.size() : dot;
    if (whole)
        return std::string(path.substr(0, end));
    const auto start = NameStart(path);
    return std::string(path.substr(start, end - start));
}

std::string FileFolder(std::string_view path) {
    const auto slash = path.rfind('\\');
    const auto colon = path.rfind(':');
    if (colon != std::string_view::npos && (slash == std::string_view::npos || colon > slash))
        return std::string(path.substr(0, colon + 1));
    if (slash != std::string_view::npos)
        return std::string(path.substr(0, slash));
    return {};
}

} // namespace ps
