#include "run/run_command.h"

#include "acad/current_pointers.h"
#include "acad/profile_values.h"
#include "core/file_facts.h"
#include "drawinglist/folder_search.h"

namespace ps {
namespace {

std::string Quoted(std::string_view path) {
    return "\"" + std::string(path) + "\"";
}

// One leftover copy: put back, deleted, or kept with a message.
std::string RecoverCopy(FileSystem& files, const std::string& copy, const std::string& original) {
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

} // namespace

std::vector<std::string> RecoverInterruptedRun(Registry& registry, FileSystem& files,
                                               std::string_view safetyFolder) {
    std::vector<std::string> messages;
    if (RestorePendingProfileValues(registry))
        messages.emplace_back("AutoCAD profile values an earlier run left changed were put back.");
    if (RestorePendingPointers(registry))
        messages.emplace_back(
            "AutoCAD's current product and profile, left changed by an earlier run, were put back.");
    for (const auto& [copy, original] : LeftoverSafetyCopies(files, safetyFolder)) {
        auto message = RecoverCopy(files, copy, original);
        if (!message.empty())
            messages.push_back(std::move(message));
    }
    return messages;
}

RunCommandResult subRun(RunPorts& p, const Settings& settings, DrawingList& list, const RunPaths& paths,
                        const RunOptions& options, const std::function<bool()>& beforeRows) {
    RunCommandResult result;
    CleanupContext cleanup{p.files,
                           settings,
                           p.state,
                           p.pump,
                           p.clock,
                           p.codec,
                           paths.tempFolder + std::string(kDeletedFilesLog)};
    const bool cleaning = !options.dryRun && AnyDeletionChosen(settings);
    if (cleaning)
        StartDeletedFilesLog(cleanup);
    SearchContext search{list, p.files, settings, p.state, p.pump};
    p.state.showActivity(kActivityAdding);
    subAddFolderToFiles(search, [&](const std::string& folder) {
        if (cleaning) {
            p.state.running(true);
            FindFilesAPIdelete(cleanup, folder);
        }
    });
    result.deleted = cleanup.deleted;
    result.deletedLog = cleanup.logPath;
    result.stoppedWhileSearching = p.state.stopRequested();
    result.refusedBeforeRows = beforeRows && !beforeRows();
    if (!result.stoppedWhileSearching && !result.refusedBeforeRows)
        result.run = runScript(p, settings, list, paths, options);
    return result;
}

} // namespace ps
