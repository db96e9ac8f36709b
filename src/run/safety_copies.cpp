#include "run/safety_copies.h"

#include "core/file_facts.h"

namespace ps {
namespace {

std::string Quoted(std::string_view path) {
    return "\"" + std::string(path) + "\"";
}

} // namespace

std::string SafetyFolderOf(std::string_view tempFolder) {
    return std::string(tempFolder) + "Plansweeper\\Safety copies";
}

std::string RunsFolderOf(std::string_view tempFolder) {
    return std::string(tempFolder) + "Plansweeper\\Runs";
}

std::string RunFolderOf(std::string_view tempFolder, std::string_view runId) {
    return RunsFolderOf(tempFolder) + "\\" + std::string(runId);
}

std::vector<std::string> OtherRunIds(const FileSystem& files, std::string_view runsFolder,
                                     std::string_view ownId) {
    std::vector<std::string> ids;
    if (const auto entries = files.listDirectory(std::string(runsFolder) + "\\", "*"))
        for (const auto& e : *entries)
            if ((e.attributes & kAttrDirectory) != 0 && e.name != "." && e.name != ".." && e.name != ownId)
                ids.push_back(e.name);
    return ids;
}

std::optional<SafetyCopy> SafetyCopies::make(const std::string& original) {
    const std::string base =
        folder_ + "\\" + std::to_string(clock_.nowFileTime()) + "-" + std::to_string(++made_);
    SafetyCopy s{base + ".copy", base + ".path", original, {}};
    const auto fingerprint = files_.fingerprint(original);
    if (!fingerprint || !files_.createFolder(folder_) || !files_.copyFile(original, s.copy) ||
        files_.fingerprint(s.copy) != fingerprint || !files_.writeFile(s.marker, original)) {
        files_.deleteFile(s.copy, true);
        return std::nullopt;
    }
    s.fingerprint = *fingerprint;
    return s;
}

void SafetyCopies::finish(const SafetyCopy& s, bool keepNew) {
    bool keepCopy = false;
    if (!keepNew && files_.fingerprint(s.original) != s.fingerprint) {
        // AutoCAD was stopped or saved nothing usable: the file goes back to
        // what it was before the run.
        keepCopy = !files_.copyFile(s.copy, s.original) || files_.fingerprint(s.original) != s.fingerprint;
    }
    if (!keepCopy) {
        files_.deleteFile(s.copy, true);
        files_.deleteFile(s.marker, true);
    }
}

std::vector<std::pair<std::string, std::string>> LeftoverSafetyCopies(const FileSystem& files,
                                                                      std::string_view safetyFolder) {
    std::vector<std::pair<std::string, std::string>> copies;
    const auto entries = files.listDirectory(std::string(safetyFolder) + "\\", "*.copy");
    if (!entries)
        return copies;
    for (const auto& e : *entries) {
        const std::string copy = std::string(safetyFolder) + "\\" + e.name;
        const auto original = files.readFile(copy.substr(0, copy.size() - 5) + ".path");
        copies.emplace_back(copy, original.value_or(""));
    }
    return copies;
}

std::string RecoverSafetyCopy(FileSystem& files, const std::string& copy, const std::string& original) {
    const std::string base = copy.substr(0, copy.size() - 5);
    const std::string marker = base + ".path";
    const auto copyPrint = files.fingerprint(copy);
    if (original.empty() || !copyPrint) {
        // Nothing says where it belongs: kept under a name the next start passes over.
        files.copyFile(copy, base + ".kept");
        files.deleteFile(copy, true);
        return "A safety copy of unknown origin is kept at " + Quoted(base + ".kept") + ".";
    }
    const auto drawingPrint = files.fingerprint(original);
    if (drawingPrint == copyPrint) {
        files.deleteFile(copy, true);
        files.deleteFile(marker, true);
        return {};
    }
    std::string changed;
    if (drawingPrint) {
        const std::string ext = FileExtension(original);
        changed = base + ".changed" + (ext.empty() ? std::string() : "." + ext);
        if (!files.copyFile(original, changed) || files.fingerprint(changed) != drawingPrint)
            return "A safety copy of " + Quoted(original) + " from an interrupted run is kept at " +
                   Quoted(copy) + "; the drawing could not be put back.";
    }
    if (!files.copyFile(copy, original) || files.fingerprint(original) != copyPrint)
        return "A safety copy of " + Quoted(original) + " from an interrupted run is kept at " +
               Quoted(copy) + "; the drawing could not be put back.";
    files.deleteFile(copy, true);
    files.deleteFile(marker, true);
    return Quoted(original) + " was put back as it was before an interrupted run" +
           (changed.empty() ? std::string(".")
                            : "; the file the run left is kept at " + Quoted(changed) + ".");
}

namespace {

void RecoverCopiesIn(FileSystem& files, const std::string& folder, std::vector<std::string>& messages) {
    for (const auto& [copy, original] : LeftoverSafetyCopies(files, folder)) {
        auto message = RecoverSafetyCopy(files, copy, original);
        if (!message.empty())
            messages.push_back(std::move(message));
    }
}

} // namespace

std::vector<std::string> RecoverGoneRuns(FileSystem& files, RunOwnership& runs, std::string_view tempFolder) {
    std::vector<std::string> messages;
    RecoverCopiesIn(files, SafetyFolderOf(tempFolder), messages);
    const std::string all = RunsFolderOf(tempFolder);
    // One recovery at a time: two programs starting together would both put
    // the same drawing back.
    const SharedRecordsLock lock(runs);
    for (const auto& id : OtherRunIds(files, all, runs.ownId())) {
        if (runs.alive(id))
            continue;
        const std::string folder = all + "\\" + id;
        RecoverCopiesIn(files, folder, messages);
        for (const char* pattern : {"*.claim", "*.pids", "*.lock", "*.scr", "*.facts"})
            if (const auto left = files.listDirectory(folder + "\\", pattern))
                for (const auto& f : *left)
                    files.deleteFile(folder + "\\" + f.name, true);
        files.removeFolder(folder); // kept while it holds a copy that could not be put back
    }
    return messages;
}

} // namespace ps
