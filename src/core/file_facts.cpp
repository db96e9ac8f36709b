#include "core/file_facts.h"

#include "core/strings.h"

#include <algorithm>
#include <vector>

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

std::string PathRoot(std::string_view fullPath) {
    const std::string path = LexicalFullPath(fullPath);
    if (path.size() >= 3 && path[1] == ':')
        return ToUpper(path.substr(0, 3));
    if (!StartsWith(path, "\\\\"))
        return {};
    const auto server = path.find('\\', 2);
    const auto share = server == std::string::npos ? std::string::npos : path.find('\\', server + 1);
    return ToUpper(share == std::string::npos ? path + "\\" : path.substr(0, share + 1));
}

std::string LexicalFullPath(std::string_view input) {
    std::string path(input);
    std::replace(path.begin(), path.end(), '/', '\\');
    if (StartsWith(path, "\\\\?\\UNC\\"))
        path = "\\\\" + path.substr(8);
    else if (StartsWith(path, "\\\\?\\"))
        path = path.substr(4);
    // The root stays as it is: "C:\", or "\\server\share\".
    std::string root;
    std::size_t rest = 0;
    if (path.size() >= 2 && path[1] == ':') {
        root = path.substr(0, 2) + "\\";
        rest = 2;
    } else if (StartsWith(path, "\\\\")) {
        const auto server = path.find('\\', 2);
        const auto share = server == std::string::npos ? std::string::npos : path.find('\\', server + 1);
        root = (share == std::string::npos ? path : path.substr(0, share)) + "\\";
        rest = share == std::string::npos ? path.size() : share;
    } else if (StartsWith(path, "\\")) {
        root = "\\";
    }
    std::vector<std::string> parts;
    std::size_t start = rest;
    while (start <= path.size()) {
        auto end = path.find('\\', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string part = path.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string out = root;
    for (std::size_t i = 0; i < parts.size(); ++i)
        out += (i > 0 ? "\\" : "") + parts[i];
    return out;
}

} // namespace ps
