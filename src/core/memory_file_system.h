// Files held in memory, for tests of the logic above the FileSystem port.
// Paths compare without regard to case; folders exist when created or when
// a file lies below them. Dates are shown as "YYYY-MM-DD hh:mm:ss" (UTC).
#pragma once

#include "core/file_system.h"

#include <map>

namespace ps {

class MemoryFileSystem : public FileSystem {
public:
    struct Entry {
        std::string content;
        std::uint32_t attributes = kAttrArchive;
        FileTimes times{};
        bool lockedNoSharing = false; // another program holds it open without sharing
        bool openForWriting = false;  // another program writes it (reading still shared)
        std::string fileId;           // the same for two entries that are one file reached by two roads
    };

    std::optional<std::uint32_t> attributes(std::string_view path) const override;
    std::optional<DirEntry> findEntry(std::string_view path) const override;
    std::optional<std::string> readPrefix(std::string_view path, std::size_t maxBytes) const override;
    std::optional<std::string> readFile(std::string_view path) const override;
    std::optional<FileTimes> fileTimes(std::string_view path) const override;
    std::string dateText(FileTime time) const override { return FormatTime(time); }
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
    std::optional<FileStamp> stamp(std::string_view path,
                                   const std::function<bool(const FileStamp&)>& hashIf) const override;
    bool removeFolder(std::string_view path) override;

    // Every file path (as given) below a folder, for tests that compare trees.
    std::vector<std::string> filesBelow(std::string_view folder) const;

    Entry& addFile(std::string_view path, std::string content, std::uint32_t attributes = kAttrArchive);
    void addFolder(std::string_view path, std::uint32_t attributes = kAttrDirectory);
    Entry* find(std::string_view path);
    const Entry* find(std::string_view path) const;
    // The bytes of a file, "<absent>" when there is none: a test compares
    // them without dereferencing a missing entry.
    std::string contentOf(std::string_view path) const {
        const Entry* e = find(path);
        return e != nullptr ? e->content : "<absent>";
    }

    static std::string FormatTime(FileTime time);

    // Makes every write fail, as a full disk or a denied folder does.
    void setWritesFail(bool fail) { writesFail_ = fail; }
    // Makes every copy end one byte short yet report success, as a copy a
    // failing disk or network cut does.
    void setCopiesCut(bool cut) { copiesCut_ = cut; }
    // The free space of the volume of paths that start with the prefix
    // ("D:"); a volume not set has plenty.
    void setFreeSpace(std::string_view prefix, std::uint64_t bytes);

private:
    static std::string Key(std::string_view path);
    std::map<std::string, Entry> entries_;     // by upper-cased path
    std::map<std::string, std::string> names_; // upper-cased path -> path as given
    bool writesFail_ = false;
    bool copiesCut_ = false;
    std::map<std::string, std::uint64_t> freeSpace_; // by upper-cased prefix
};

} // namespace ps
