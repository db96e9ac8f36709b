#include "run/run_command.h"

#include "acad/current_pointers.h"
#include "acad/profile_values.h"
#include "core/file_facts.h"
#include "drawinglist/folder_search.h"
#include "run/safety_copies.h"

namespace ps {

std::vector<std::string> RecoverInterruptedRun(Registry& registry, FileSystem& files,
                                               std::string_view safetyFolder) {
    std::vector<std::string> messages;
    if (RestorePendingProfileValues(registry))
        messages.emplace_back("AutoCAD profile values an earlier run left changed were put back.");
    if (RestorePendingPointers(registry))
        messages.emplace_back(
            "AutoCAD's current product and profile, left changed by an earlier run, were put back.");
    for (const auto& [copy, original] : LeftoverSafetyCopies(files, safetyFolder)) {
        auto message = RecoverSafetyCopy(files, copy, original);
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
