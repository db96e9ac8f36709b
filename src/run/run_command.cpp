#include "run/run_command.h"

#include "acad/current_pointers.h"
#include "acad/profile_values.h"
#include "core/file_facts.h"
#include "drawinglist/folder_search.h"
#include "run/safety_copies.h"

namespace ps {

std::vector<std::string> RecoverInterruptedRun(Registry& registry, FileSystem& files, RunOwnership& runs,
                                               std::string_view tempFolder) {
    // The drawings first: a run proved gone has no AutoCAD left at work.
    std::vector<std::string> messages = RecoverGoneRuns(files, runs, tempFolder);
    if (RestorePendingProfileValues(registry, runs))
        messages.emplace_back("AutoCAD profile values an earlier run left changed were put back.");
    if (RestorePendingPointers(registry, runs))
        messages.emplace_back(
            "AutoCAD's current product and profile, left changed by an earlier run, were put back.");
    return messages;
}

RunPaths RunPathsFor(std::string scriptBasePath, std::string programFolder, std::string tempFolder,
                     std::string_view runId) {
    RunPaths paths{
        std::move(scriptBasePath), std::move(programFolder), std::move(tempFolder), {}, {}, {}, {}, {}};
    paths.runsFolder = RunsFolderOf(paths.tempFolder);
    paths.logFolder = paths.tempFolder + "PlansweeperLogs";
    paths.safetyFolder = RunFolderOf(paths.tempFolder, runId);
    return paths;
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
