// Which drawings the runs at work have in hand. A run claims a drawing (and
// the file its save goes to) before AutoCAD starts on it, with a file in its
// own folder; a drawing another live run has claimed is not touched.
#pragma once

#include "core/file_system.h"
#include "core/run_ownership.h"

#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace ps {

// What the file system says a file is, for telling files apart: its
// identity where it exists ("F" and the file ID) and its name in its
// folder's identity ("N", the folder's ID and the upper-case name), so that
// a file not yet saved is told apart from another too. Either is missing
// where the file system cannot tell; the normal path stands in for the name.
struct FileKeys {
    std::string file;
    std::string name;
    bool meets(const FileKeys& other) const {
        return (!file.empty() && (file == other.file)) || name == other.name;
    }
    friend bool operator==(const FileKeys&, const FileKeys&) = default;
};
// Folders' ids by path, for a dry run: it changes nothing, so each folder's
// id is asked once, not once for each of its drawings.
using KnownFolderIds = std::unordered_map<std::string, std::optional<std::string>>;
FileKeys KeysOfFile(const FileSystem& files, std::string_view path, KnownFolderIds* known = nullptr);

// Files a run has met, looked up as FileKeys::meets compares them: by
// identity or by name. Hashed, so that a run of 100 000 drawings does not
// compare each with all before it.
class FileKeySet {
public:
    void add(const FileKeys& keys) {
        if (!keys.file.empty())
            files_.insert(keys.file);
        names_.insert(keys.name);
    }
    bool meets(const FileKeys& keys) const {
        return (!keys.file.empty() && files_.count(keys.file) != 0) || names_.count(keys.name) != 0;
    }
    bool empty() const { return names_.empty(); }

private:
    std::unordered_set<std::string> files_;
    std::unordered_set<std::string> names_;
};

class DrawingClaims {
public:
    DrawingClaims(FileSystem& files, RunOwnership& runs, std::string runsFolder)
        : files_(files), runs_(runs), runsFolder_(std::move(runsFolder)) {}
    // The claim's file, or nullopt when another live run has claimed one of
    // these files. When the claim cannot be written the files are claimed
    // all the same: the run's own checks still hold.
    std::optional<std::string> claim(const std::vector<FileKeys>& keys);
    void release(const std::string& claimFile);

private:
    bool claimedElsewhere(const std::vector<FileKeys>& keys) const;
    FileSystem& files_;
    RunOwnership& runs_;
    std::string runsFolder_;
    unsigned made_ = 0;
};

} // namespace ps
