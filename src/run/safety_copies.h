// Safety copies: every file AutoCAD may write over is copied first into the
// program's own folder, with a ".path" file naming the original, and put back
// unless the save is verified. A copy a crash left behind is put right at the
// next start.
#pragma once

#include "core/file_system.h"
#include "core/run_ownership.h"
#include "core/system_ports.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ps {

// The safety copies' folder of earlier versions below the user's temporary
// folder (which ends with "\"): copies there carry no owner.
std::string SafetyFolderOf(std::string_view tempFolder);
// The runs' own folders, and one run's: its safety copies, its claims on
// drawings and its lock live there (core/run_ownership).
std::string RunsFolderOf(std::string_view tempFolder);
std::string RunFolderOf(std::string_view tempFolder, std::string_view runId);
// The ids of the runs with a folder below runsFolder, this run's left out.
std::vector<std::string> OtherRunIds(const FileSystem& files, std::string_view runsFolder,
                                     std::string_view ownId);

struct SafetyCopy {
    std::string copy;
    std::string marker;
    std::string original;
    FileFingerprint fingerprint;
};

class SafetyCopies {
public:
    SafetyCopies(FileSystem& files, const Clock& clock, std::string folder)
        : files_(files), clock_(clock), folder_(std::move(folder)) {}
    // nullopt when the copy could not be made whole.
    std::optional<SafetyCopy> make(const std::string& original);
    // keepNew: the file AutoCAD wrote is verified. Otherwise a changed file
    // goes back to what it was; the copy is kept when that fails.
    void finish(const SafetyCopy& copy, bool keepNew);

private:
    FileSystem& files_;
    const Clock& clock_;
    std::string folder_;
    unsigned made_ = 0; // two copies in one clock tick get different names
};

// Puts right what runs proved gone left in their folders (and the ownerless
// copies of earlier versions), and deletes those folders; a live run's folder
// is left alone. One message per thing the user should hear of.
std::vector<std::string> RecoverGoneRuns(FileSystem& files, RunOwnership& runs, std::string_view tempFolder);

// Safety copies a crash of the program left behind: (copy, original) pairs.
std::vector<std::pair<std::string, std::string>> LeftoverSafetyCopies(const FileSystem& files,
                                                                      std::string_view safetyFolder);
// Puts one leftover right: back over its drawing when that differs (the
// changed file kept beside it), deleted when equal, kept when it names no
// drawing. A message for the user, or empty when nothing needed saying.
std::string RecoverSafetyCopy(FileSystem& files, const std::string& copy, const std::string& original);

} // namespace ps
