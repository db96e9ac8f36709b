#include "core/memory_file_system.h"

#include "core/file_facts.h"
#include "core/strings.h"

#include <algorithm>
#include <cstdio>

namespace ps {

std::string MemoryFileSystem::Key(std::string_view path) {
    std::string key = ToUpper(path);
    while (key.size() > 3 && key.back() == '\\')
        key.pop_back();
    return key;
}

MemoryFileSystem::Entry& MemoryFileSystem::addFile(std::string_view path, std::string content,
                                                   std::uint32_t attributes) {
    auto& entry = entries_[Key(path)];
    entry.content = std::move(content);
    entry.attributes = attributes & ~static_cast<std::uint32_t>(kAttrDirectory);
    names_[Key(path)] = std::string(path);
    return entry;
}

void MemoryFileSystem::addFolder(std::string_view path, std::uint32_t attributes) {
    auto& entry = entries_[Key(path)];
    entry.attributes = attributes | kAttrDirectory;
    names_[Key(path)] = std::string(path);
}

MemoryFileSystem::Entry* MemoryFileSystem::find(std::string_view path) {
    auto it = entries_.find(Key(path));
    return it == entries_.end() ? nullptr : &it->second;
}

const MemoryFileSystem::Entry* MemoryFileSystem::find(std::string_view path) const {
    auto it = entries_.find(Key(path));
    return it == entries_.end() ? nullptr : &it->second;
}

std::optional<std::uint32_t> MemoryFileSystem::attributes(std::string_view path) const {
    if (const auto* e = find(path))
        return e->attributes;
    // A folder implied by a file below it.
    const std::string prefix = Key(path) + "\\";
    auto it = entries_.lower_bound(prefix);
    if (it != entries_.end() && StartsWith(it->first, prefix))
        return kAttrDirectory;
    return std::nullopt;
}

std::optional<DirEntry> MemoryFileSystem::findEntry(std::string_view path) const {
    if (path.find_first_of("*?") != std::string_view::npos)
        return std::nullopt;
    if (const auto* e = find(path)) {
        const std::string& given = names_.at(Key(path));
        return DirEntry{given.substr(given.find_last_of('\\') + 1), e->attributes, e->content.size(),
                        e->times};
    }
    const auto attrs = attributes(path);
    if (!attrs)
        return std::nullopt;
    const auto slash = path.find_last_of('\\');
    return DirEntry{
        std::string(slash == std::string_view::npos ? path : path.substr(slash + 1)), *attrs, 0, {}};
}

std::optional<std::string> MemoryFileSystem::readPrefix(std::string_view path, std::size_t maxBytes) const {
    const auto* e = find(path);
    if (e == nullptr || e->lockedNoSharing || (e->attributes & kAttrDirectory) != 0)
        return std::nullopt;
    return e->content.substr(0, maxBytes);
}

std::optional<FileTimes> MemoryFileSystem::fileTimes(std::string_view path) const {
    const auto* e = find(path);
    if (e == nullptr || e->lockedNoSharing || (e->attributes & kAttrDirectory) != 0)
        return std::nullopt;
    return e->times;
}

bool MemoryFileSystem::writeFile(std::string_view path, std::string_view bytes) {
    if (writesFail_)
        return false;
    if (auto* e = find(path)) {
        if ((e->attributes & (kAttrDirectory | kAttrReadOnly)) != 0 || e->lockedNoSharing)
            return false;
        e->content = std::string(bytes);
        return true;
    }
    addFile(path, std::string(bytes));
    return true;
}

bool MemoryFileSystem::appendFile(std::string_view path, std::string_view bytes) {
    if (writesFail_)
        return false;
    if (auto* e = find(path)) {
        if ((e->attributes & (kAttrDirectory | kAttrReadOnly)) != 0 || e->lockedNoSharing)
            return false;
        e->content += std::string(bytes);
        return true;
    }
    addFile(path, std::string(bytes));
    return true;
}

bool MemoryFileSystem::setFileTimes(std::string_view path, const FileTimes& times) {
    auto* e = find(path);
    if (e == nullptr || e->lockedNoSharing || (e->attributes & kAttrDirectory) != 0)
        return false;
    e->times = times;
    return true;
}

bool MemoryFileSystem::deleteFile(std::string_view path, bool evenReadOnly) {
    auto it = entries_.find(Key(path));
    if (it == entries_.end() || (it->second.attributes & kAttrDirectory) != 0 || it->second.lockedNoSharing ||
        it->second.openForWriting || ((it->second.attributes & kAttrReadOnly) != 0 && !evenReadOnly))
        return false;
    names_.erase(it->first);
    entries_.erase(it);
    return true;
}

std::optional<std::string> MemoryFileSystem::readPrefixDenyingWrites(std::string_view path,
                                                                     std::size_t maxBytes) const {
    const auto* e = find(path);
    if (e == nullptr || e->openForWriting)
        return std::nullopt;
    return readPrefix(path, maxBytes);
}

namespace {

bool Glob(std::string_view name, std::string_view pattern) {
    if (pattern.empty())
        return name.empty();
    if (pattern.front() == '*') {
        for (std::size_t k = 0; k <= name.size(); ++k)
            if (Glob(name.substr(k), pattern.substr(1)))
                return true;
        return false;
    }
    if (name.empty())
        return false;
    if (pattern.front() != '?' && ToUpper(name.substr(0, 1)) != ToUpper(pattern.substr(0, 1)))
        return false;
    return Glob(name.substr(1), pattern.substr(1));
}

} // namespace

std::optional<std::vector<DirEntry>> MemoryFileSystem::listDirectory(std::string_view folder,
                                                                     std::string_view pattern) const {
    std::string prefix = Key(folder);
    if (!prefix.empty() && prefix.back() != '\\')
        prefix += '\\';
    const auto attrs = attributes(prefix.substr(0, prefix.size() - 1));
    if (!attrs || (*attrs & kAttrDirectory) == 0)
        return std::nullopt;
    std::vector<DirEntry> entries;
    std::vector<std::string> seen;
    for (auto it = entries_.lower_bound(prefix); it != entries_.end() && StartsWith(it->first, prefix);
         ++it) {
        const std::string rest = it->first.substr(prefix.size());
        const auto slash = rest.find('\\');
        const std::string& given = names_.at(it->first);
        std::string name =
            given.substr(given.size() - rest.size(), slash == std::string::npos ? std::string::npos : slash);
        if (std::find(seen.begin(), seen.end(), ToUpper(name)) != seen.end())
            continue;
        seen.push_back(ToUpper(name));
        const bool isFile = slash == std::string::npos;
        if (Glob(name, pattern))
            entries.push_back({name, isFile ? it->second.attributes : kAttrDirectory,
                               isFile ? it->second.content.size() : 0,
                               isFile ? it->second.times : FileTimes{}});
    }
    return entries;
}

std::optional<FileFingerprint> MemoryFileSystem::fingerprint(std::string_view path) const {
    const auto* e = find(path);
    if (e == nullptr || e->lockedNoSharing || (e->attributes & kAttrDirectory) != 0)
        return std::nullopt;
    return FileFingerprint{e->content.size(), HashBytes(e->content)};
}

bool MemoryFileSystem::copyFile(std::string_view from, std::string_view to) {
    const auto* e = find(from);
    if (writesFail_ || e == nullptr || e->lockedNoSharing || (e->attributes & kAttrDirectory) != 0)
        return false;
    if (const auto* t = find(to); t != nullptr && (t->attributes & (kAttrReadOnly | kAttrDirectory)) != 0)
        return false;
    Entry copy = *e;
    if (copiesCut_ && !copy.content.empty())
        copy.content.pop_back();
    addFile(to, copy.content, copy.attributes).times = copy.times;
    return true;
}

bool MemoryFileSystem::replaceFileAtomically(std::string_view path, std::string_view bytes) {
    return writeFile(path, bytes);
}

bool MemoryFileSystem::createFolder(std::string_view path) {
    if (writesFail_)
        return false;
    if (const auto attrs = attributes(path))
        return (*attrs & kAttrDirectory) != 0;
    addFolder(path);
    return true;
}

std::vector<std::string> MemoryFileSystem::filesBelow(std::string_view folder) const {
    const std::string prefix = Key(folder) + "\\";
    std::vector<std::string> paths;
    for (auto it = entries_.lower_bound(prefix); it != entries_.end() && StartsWith(it->first, prefix); ++it)
        if ((it->second.attributes & kAttrDirectory) == 0)
            paths.push_back(names_.at(it->first));
    return paths;
}

std::string MemoryFileSystem::FormatTime(FileTime time) {
    // Civil date from days since 1601-01-01 (a proleptic Gregorian calendar).
    const std::uint64_t seconds = time / 10'000'000ULL;
    std::int64_t days = static_cast<std::int64_t>(seconds / 86400);
    const auto secondOfDay = static_cast<int>(seconds % 86400);
    days -= 134774; // 1601-01-01 .. 1970-01-01
    // Howard Hinnant's days-to-civil.
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto doe = static_cast<unsigned>(days - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned day = doy - (153 * mp + 2) / 5 + 1;
    const unsigned month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2 ? 1 : 0);
    char text[40];
    std::snprintf(text, sizeof text, "%04lld-%02u-%02u %02d:%02d:%02d", static_cast<long long>(year), month,
                  day, secondOfDay / 3600, secondOfDay / 60 % 60, secondOfDay % 60);
    return text;
}

std::optional<std::string> MemoryFileSystem::readFile(std::string_view path) const {
    return readPrefix(path, std::string::npos);
}

std::optional<std::string> MemoryFileSystem::readRange(std::string_view path, std::uint64_t offset,
                                                       std::size_t count) const {
    const auto* e = find(path);
    if (e == nullptr || e->lockedNoSharing || (e->attributes & kAttrDirectory) != 0)
        return std::nullopt;
    if (offset >= e->content.size())
        return std::string();
    return e->content.substr(static_cast<std::size_t>(offset), count);
}

void MemoryFileSystem::setFreeSpace(std::string_view prefix, std::uint64_t bytes) {
    freeSpace_[Key(prefix)] = bytes;
}

std::optional<std::uint64_t> MemoryFileSystem::freeSpace(std::string_view folder) const {
    const std::string key = Key(folder);
    for (const auto& [prefix, bytes] : freeSpace_)
        if (key.starts_with(prefix))
            return bytes;
    return std::uint64_t{1} << 40;
}

std::string MemoryFileSystem::normalPath(std::string_view path) const {
    return LexicalFullPath(path);
}

std::optional<std::string> MemoryFileSystem::fileId(std::string_view path) const {
    const Entry* entry = find(path);
    if (entry == nullptr)
        return std::nullopt;
    return entry->fileId.empty() ? Key(path) : entry->fileId;
}

std::optional<FileStamp> MemoryFileSystem::stamp(std::string_view path,
                                                 const std::function<bool(const FileStamp&)>& hashIf) const {
    const auto* e = find(path);
    if (e == nullptr || e->lockedNoSharing || (e->attributes & kAttrDirectory) != 0)
        return std::nullopt;
    FileStamp s{e->fileId.empty() ? Key(path) : e->fileId, e->content.size(), e->times.modified, {}};
    if (hashIf(s))
        s.hash = HashBytes(e->content);
    return s;
}

bool MemoryFileSystem::removeFolder(std::string_view path) {
    const std::string key = Key(path);
    const auto it = entries_.find(key);
    if (writesFail_ || it == entries_.end() || (it->second.attributes & kAttrDirectory) == 0)
        return false;
    const auto below = entries_.lower_bound(key + "\\");
    if (below != entries_.end() && StartsWith(below->first, key + "\\"))
        return false;
    entries_.erase(it);
    names_.erase(key);
    return true;
}

} // namespace ps
