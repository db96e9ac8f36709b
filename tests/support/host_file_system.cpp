#include "support/host_file_system.h"

#include <filesystem>
#include <fstream>

namespace ps::test {

namespace fs = std::filesystem;

std::optional<std::uint32_t> HostFileSystem::attributes(std::string_view path) const {
    std::error_code ec;
    const auto st = fs::status(fs::path(path), ec);
    if (ec || !fs::exists(st))
        return std::nullopt;
    std::uint32_t attrs = fs::is_directory(st) ? kAttrDirectory : kAttrArchive;
    if (fs::path(path).filename().string().starts_with("."))
        attrs |= kAttrHidden;
    if ((st.permissions() & fs::perms::owner_write) == fs::perms::none)
        attrs |= kAttrReadOnly;
    return attrs;
}

std::optional<std::uint64_t> HostFileSystem::plainFileSize(std::string_view path) const {
    const auto attrs = attributes(path);
    if (!attrs || (*attrs & (kAttrDirectory | kAttrHidden | kAttrSystem)) != 0)
        return std::nullopt;
    std::error_code ec;
    const auto size = fs::file_size(fs::path(path), ec);
    if (ec)
        return std::nullopt;
    return size;
}

std::optional<std::string> HostFileSystem::readPrefix(std::string_view path, std::size_t maxBytes) const {
    std::ifstream in{fs::path(path), std::ios::binary};
    if (!in)
        return std::nullopt;
    std::string bytes(maxBytes, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(maxBytes));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

std::optional<FileTimes> HostFileSystem::fileTimes(std::string_view path) const {
    std::error_code ec;
    const auto t = fs::last_write_time(fs::path(path), ec);
    if (ec)
        return std::nullopt;
    const auto ticks = static_cast<FileTime>(t.time_since_epoch().count() / 100);
    return FileTimes{ticks, ticks, ticks};
}

bool HostFileSystem::writeFile(std::string_view path, std::string_view bytes) {
    std::ofstream out{fs::path(path), std::ios::binary | std::ios::trunc};
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

bool HostFileSystem::appendFile(std::string_view path, std::string_view bytes) {
    std::ofstream out{fs::path(path), std::ios::binary | std::ios::app};
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

bool HostFileSystem::setFileTimes(std::string_view, const FileTimes&) {
    return false;
}

bool HostFileSystem::deleteFile(std::string_view path, bool) {
    std::error_code ec;
    return fs::remove(fs::path(path), ec);
}

bool HostFileSystem::canOpenDenyingWrites(std::string_view path) const {
    return static_cast<bool>(std::ifstream{fs::path(path), std::ios::binary});
}

std::optional<std::vector<DirEntry>> HostFileSystem::listDirectory(std::string_view folder,
                                                                   std::string_view pattern) const {
    if (pattern != "*")
        return std::nullopt; // the corpus tests list whole folders only
    std::error_code ec;
    std::vector<DirEntry> entries;
    for (const auto& e : fs::directory_iterator(fs::path(folder), ec))
        entries.push_back(
            {e.path().filename().string(), e.is_directory() ? kAttrDirectory : kAttrArchive, 0, {}});
    if (ec)
        return std::nullopt;
    return entries;
}

std::optional<FileFingerprint> HostFileSystem::fingerprint(std::string_view path) const {
    std::ifstream in{fs::path(path), std::ios::binary};
    if (!in)
        return std::nullopt;
    FileFingerprint f;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        const auto got = static_cast<std::size_t>(in.gcount());
        f.hash = HashBytes(std::string_view(buffer, got), f.hash == 0 ? 0xcbf29ce484222325ULL : f.hash);
        f.size += got;
    }
    return f;
}

bool HostFileSystem::copyFile(std::string_view from, std::string_view to) {
    std::error_code ec;
    return fs::copy_file(fs::path(from), fs::path(to), fs::copy_options::overwrite_existing, ec);
}

bool HostFileSystem::replaceFileAtomically(std::string_view path, std::string_view bytes) {
    return writeFile(path, bytes);
}

bool HostFileSystem::createFolder(std::string_view path) {
    std::error_code ec;
    fs::create_directories(fs::path(path), ec);
    return fs::is_directory(fs::path(path), ec);
}

std::optional<std::string> HostFileSystem::readFile(std::string_view path) const {
    return readPrefix(path, 1u << 30);
}

} // namespace ps::test
