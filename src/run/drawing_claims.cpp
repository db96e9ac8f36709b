#include "run/drawing_claims.h"

#include "core/file_facts.h"
#include "core/strings.h"
#include "run/safety_copies.h"

namespace ps {
namespace {

// One line per key: "F<id>" or "N<name key>".
std::string ClaimText(const std::vector<FileKeys>& keys) {
    std::string text;
    for (const auto& k : keys) {
        if (!k.file.empty())
            text += "F" + k.file + "\n";
        text += "N" + k.name + "\n";
    }
    return text;
}

bool ClaimHolds(std::string_view text, const std::vector<FileKeys>& keys) {
    while (!text.empty()) {
        const auto end = std::min(text.find('\n'), text.size());
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (line.size() < 2)
            continue;
        const std::string_view value = line.substr(1);
        for (const auto& k : keys)
            if ((line[0] == 'F' && !k.file.empty() && value == k.file) || (line[0] == 'N' && value == k.name))
                return true;
    }
    return false;
}

std::optional<std::string> FolderIdOf(const FileSystem& files, const std::string& folder,
                                      KnownFolderIds* known) {
    if (known == nullptr)
        return files.fileId(folder);
    const auto [at, added] = known->try_emplace(folder);
    if (added)
        at->second = files.fileId(folder);
    return at->second;
}

} // namespace

FileKeys KeysOfFile(const FileSystem& files, std::string_view path, KnownFolderIds* known) {
    FileKeys keys;
    if (const auto id = files.fileId(path))
        keys.file = *id;
    const std::string full = files.normalPath(path);
    const std::string folder = FileFolder(full);
    const auto folderId = FolderIdOf(files, folder, known);
    keys.name = folderId ? *folderId + "\\" + ToUpper(full.substr(std::min(full.size(), folder.size() + 1)))
                         : ToUpper(full);
    return keys;
}

bool DrawingClaims::claimedElsewhere(const std::vector<FileKeys>& keys) const {
    for (const auto& id : OtherRunIds(files_, runsFolder_, runs_.ownId())) {
        const std::string folder = runsFolder_ + "\\" + id;
        const auto claims = files_.listDirectory(folder + "\\", "*.claim");
        if (!claims || claims->empty() || !runs_.alive(id))
            continue;
        for (const auto& c : *claims)
            if (const auto text = files_.readFile(folder + "\\" + c.name); text && ClaimHolds(*text, keys))
                return true;
    }
    return false;
}

std::optional<std::string> DrawingClaims::claim(const std::vector<FileKeys>& keys) {
    const SharedRecordsLock lock(runs_);
    if (claimedElsewhere(keys))
        return std::nullopt;
    const std::string folder = runsFolder_ + "\\" + runs_.ownId();
    const std::string file = folder + "\\" + std::to_string(++made_) + ".claim";
    if (!files_.createFolder(folder) || !files_.writeFile(file, ClaimText(keys)))
        return std::string();
    return file;
}

void DrawingClaims::release(const std::string& claimFile) {
    if (!claimFile.empty())
        files_.deleteFile(claimFile, true);
}

} // namespace ps
