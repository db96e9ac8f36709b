// The Run command as both front ends give it: at start-up, what an
// interrupted run left behind is put right; a run expands its folder rows
// (cleaning those folders) and then processes the list with runScript.
#pragma once

#include "drawinglist/temp_cleanup.h"
#include "run/run_engine.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace ps {

// Puts back AutoCAD's profile values and current-product pointers that a
// killed run left changed, and every drawing a killed run left damaged: a
// safety copy whose drawing differs from it goes back over the drawing (the
// changed file is kept beside the copy), a copy equal to its drawing is
// deleted. Returns one message per thing done, for the user.
// Only what belongs to runs proved gone is touched: a live run's records,
// copies and drawings are left alone.
std::vector<std::string> RecoverInterruptedRun(Registry& registry, FileSystem& files, RunOwnership& runs,
                                               std::string_view tempFolder);

// The run's paths: the script, the companion's folder, the temporary folder
// (ending with "\") and this run's own folder below it.
RunPaths RunPathsFor(std::string scriptBasePath, std::string programFolder, std::string tempFolder,
                     std::string_view runId);

struct RunCommandResult {
    RunResult run;
    bool stoppedWhileSearching = false; // Esc or Stop during the folder search
    bool refusedBeforeRows = false;     // beforeRows said no: no drawing was touched
    std::int64_t deleted = 0;           // temporary files deleted
    std::string deletedLog;
};

// Folder rows become drawing rows (their folders cleaned when a deletion is
// chosen and this is no dry run); beforeRows runs once the list holds only
// drawings (the batch saves it there: a list that cannot be recorded must
// not be processed) and says whether the run may go on; then runScript.
RunCommandResult subRun(RunPorts& ports, const Settings& settings, DrawingList& list, const RunPaths& paths,
                        const RunOptions& options, const std::function<bool()>& beforeRows = {});

} // namespace ps
