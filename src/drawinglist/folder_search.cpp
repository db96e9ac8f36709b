#include "drawinglist/folder_search.h"
#include "drawinglist/status.h"

#include "core/file_facts.h"

#include <vector>

namespace ps {
namespace {

bool IsDotEntry(const std::string& name) {
    return name == "." || name == "..";
}

// The facts of a file just listed, answered from its directory entry instead
// of asking the file system again for each: attributes, the size a plain
// directory search finds, and (once the file has been opened for reading)
// its times. Everything else goes to the real file system.
class ListedFile final : public FileSystem {
public:
    ListedFile(const FileSystem& base, std::string path, const DirEntry& entry)
        : base_(base), path_(std::move(path)), entry_(entry) {}

    std::optional<std::uint32_t> attributes(std::string_view path) const override {
        return path == path_ ? std::optional<std::uint32_t>(entry_.attributes) : base_.attributes(path);
    }
    std::optional<DirEntry> findEntry(std::string_view path) const override {
        return path == path_ ? std::optional<DirEntry>(entry_) : base_.findEntry(path);
    }
    std::optional<std::string> readPrefix(std::string_view path, std::size_t maxBytes) const override {
        auto bytes = base_.readPrefix(path, maxBytes);
        if (path == path_ && bytes)
            opened_ = true;
        return bytes;
    }
    std::optional<FileTimes> fileTimes(std::string_view path) const override {
        if (path == path_ && opened_)
            return entry_.times;
        return base_.fileTimes(path);
    }
    std::string dateText(FileTime time) const override { return base_.dateText(time); }
    std::optional<std::string> readFile(std::string_view path) const override { return base_.readFile(path); }
    std::optional<std::string> readPrefixDenyingWrites(std::string_view path,
                                                       std::size_t maxBytes) const override {
        return base_.readPrefixDenyingWrites(path, maxBytes);
    }
    std::optional<std::vector<DirEntry>> listDirectory(std::string_view folder,
                                                       std::string_view pattern) const override {
        return base_.listDirectory(folder, pattern);
    }
    std::optional<FileFingerprint> fingerprint(std::string_view path) const override {
        return base_.fingerprint(path);
    }
    std::optional<std::string> readRange(std::string_view path, std::uint64_t offset,
                                         std::size_t count) const override {
        return base_.readRange(path, offset, count);
    }
    std::optional<std::uint64_t> freeSpace(std::string_view folder) const override {
        return base_.freeSpace(folder);
    }
    std::string normalPath(std::string_view path) const override { return base_.normalPath(path); }
    std::optional<std::string> fileId(std::string_view path) const override { return base_.fileId(path); }
    std::optional<FileStamp> stamp(std::string_view path,
                                   const std::function<bool(const FileStamp&)>& hashIf) const override {
        return base_.stamp(path, hashIf);
    }
    bool removeFolder(std::string_view) override { return false; }
    // A search never writes.
    bool writeFile(std::string_view, std::string_view) override { return false; }
    bool appendFile(std::string_view, std::string_view) override { return false; }
    bool setFileTimes(std::string_view, const FileTimes&) override { return false; }
    bool deleteFile(std::string_view, bool) override { return false; }
    bool copyFile(std::string_view, std::string_view) override { return false; }
    bool replaceFileAtomically(std::string_view, std::string_view) override { return false; }
    bool createFolder(std::string_view) override { return false; }

private:
    const FileSystem& base_;
    std::string path_;
    DirEntry entry_;
    mutable bool opened_ = false;
};

} // namespace

void FindFilesAPI(SearchContext& c, std::string folder, std::string_view pattern) {
    if (folder.empty() || folder.back() != '\\')
        folder += '\\';
    if (c.state.stopRequested())
        c.state.running(false);
    c.state.showActivity(kActivityAdding);
    c.state.setStatus(std::to_string(c.found) + " found file(s). Searching in: " + folder);

    std::vector<std::string> subfolders;
    if (const auto all = c.files.listDirectory(folder, "*")) {
        for (const auto& entry : *all) {
            c.pump.pumpOnce();
            if (!c.state.busy())
                return;
            if (IsDotEntry(entry.name) || (entry.attributes & kAttrDirectory) == 0)
                continue;
            ++c.folders;
            // A junction or symbolic link may lead back up or out of the folder.
            if ((entry.attributes & kAttrReparsePoint) == 0)
                subfolders.push_back(entry.name);
        }
    }
    if (const auto matches = c.files.listDirectory(folder, pattern)) {
        for (const auto& entry : *matches) {
            c.pump.pumpOnce();
            if (!c.state.busy())
                return;
            if (IsDotEntry(entry.name))
                continue;
            const ListedFile listed(c.files, folder + entry.name, entry);
            if (addToListView(c.list, listed, c.settings, folder + entry.name)) {
                ++c.found;
                c.state.setStatus(std::to_string(c.found) + " found file(s). " + folder + entry.name);
            }
        }
    }
    if (IsOn(c.settings.IncludeSubfolders)) {
        for (const auto& sub : subfolders) {
            if (!c.state.busy())
                return;
            FindFilesAPI(c, folder + sub + "\\", pattern);
        }
    }
}

void subAddFolderToFiles(SearchContext& c,
                         const std::function<void(const std::string& folder)>& cleanFolder) {
    if (c.state.busy())
        return;
    std::vector<std::string> folders;
    if (!c.list.empty()) {
        c.state.running(true);
        for (std::size_t i = c.list.size(); i-- > 0;) {
            // A folder row standing for a drawing the list file could not
            // carry keeps its refusal: its folder's drawings are rows already.
            if (c.list[i].isFolder() && c.list[i].cell(kColStatus) != status::kNameHoldsSemicolon) {
                folders.push_back(c.list[i].cell(kColPath));
                c.list.erase(i);
            }
            if (!c.state.busy())
                break;
        }
        c.state.running(false);
    }
    for (std::size_t i = 0; i < folders.size(); ++i) {
        const std::string& folder = folders[i];
        if (!FolderExists(c.files, folder)) {
            // A folder that has gone stays in the list, saying so.
            DrawingRow row = MakeFolderRow(folder);
            row.cell(kColStatus) = std::string(status::kFolderNotFound);
            c.list.append(std::move(row));
            continue;
        }
        c.state.running(true);
        c.list.setSortingOff();
        FindFilesAPI(c, folder, "*.dwg");
        FindFilesAPI(c, folder, "*.dxf");
        if (c.state.stopRequested()) {
            c.state.running(false);
            // The folders not searched yet stay folder rows for the next run.
            for (std::size_t j = i + 1; j < folders.size(); ++j)
                c.list.append(MakeFolderRow(folders[j]));
            break;
        }
        if (cleanFolder)
            cleanFolder(folder);
        c.state.running(false);
    }
}

} // namespace ps
