// The words a run and its callers share: the ports it works through, its
// folders, its options and what it reports, row by row and at the end.
#pragma once

#include "core/ansi_codec.h"
#include "core/file_system.h"
#include "core/registry.h"
#include "core/run_ownership.h"
#include "core/run_state.h"
#include "core/system_ports.h"
#include "run/progress.h"
#include "run/cleaning_facts.h"
#include "run/row_plan.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace ps {

// What a drawing's volume must hold beyond twice the drawing (the saved file
// and the ".bak"), and the safety copies' volume beyond the copies.
inline constexpr std::uint64_t kDiskMarginBytes = 10ull << 20;

struct RunPorts {
    Registry& registry;
    FileSystem& files;
    const AnsiCodec& codec;
    const Clock& clock;
    UserPrompt& prompt;
    MessagePump& pump;
    ProcessRunner& process;
    WindowScanner& windows;
    RunState& state;
    ProgressSink& progress;
    RunOwnership& runs; // this run's identity beside other Plansweeper runs
};

struct RunPaths {
    std::string scriptBasePath; // temporary folder + "purge"
    std::string programFolder;  // where the companion application lies
    std::string tempFolder;     // the user's temporary folder, with its trailing "\"
    std::string runsFolder;     // every run's own folder below it (RunsFolderOf)
    // This run's folder (RunFolderOf): its safety copies and claims.
    std::string safetyFolder;
    // The user's record of drawings left OK (run_history); none when empty.
    std::string historyFile;
    // Where this run keeps each drawing's AutoCAD transcript, one folder per
    // run; none when empty. AutoCAD writes them to logFolder first.
    std::string transcriptsFolder;
    std::string logFolder;
};

// One row as it finished (or, in a dry run, as it would be handled).
struct RowReport {
    std::uint64_t rowId = 0;
    std::size_t row = 0; // 1-based position in the run
    std::size_t rowCount = 0;
    std::string fullPath;
    std::string status;
    RowPlan plan;
    bool wouldRun = false; // dry run: AutoCAD would be started
    bool passed = false;   // the row was not pending: the run left it as it was
    bool scripted = false; // its script was written: AutoCAD may have worked on it
    // The companion's record of the cleaning, when the row ended "OK" with one.
    std::optional<CleaningFacts> facts;
    std::string versionBefore; // the drawing's version when the run came to it
    double seconds = 0;        // how long AutoCAD worked on it
    // AutoCAD's command-line transcript of the drawing, kept in the run's
    // transcripts folder; empty when there is none.
    std::string logPath;
    std::string logTail; // a failure's last transcript lines
};

struct RunOptions {
    bool dryRun = false; // start nothing, change nothing
    // When not empty, the only rows the run processes (Run Failed Again):
    // every other row is passed over as if it were not pending.
    std::vector<std::uint64_t> onlyRows;
    std::string dryRunScripts; // dry run: write each row's script here as <row>.scr
    bool minimized = false;    // the main window is minimised
    std::function<void(bool)> setTopmost;
    // Asked before anything is done to a drawing (safety copy, AutoCAD's
    // settings, AutoCAD): the list is recorded here. False leaves the row
    // pending and ends the run, as what happens next could not be recorded.
    std::function<bool()> beforeDrawing;
    // AutoCAD is about to start on the row (the window shows it selected).
    std::function<void(std::uint64_t rowId)> rowStarted;
    // The row has its status, or was passed over as not pending (every row
    // of the run is reported once, until the run ends: in order when one
    // drawing runs at a time, else as the drawings finish); the list may be
    // saved now.
    std::function<void(const RowReport&)> rowDone;
};

struct RunResult {
    bool ranRows = false;
    bool stopped = false;          // ended before its last row (Stop, Esc)
    bool companionMissing = false; // ended because the companion application is missing
    bool listNotRecorded = false;  // ended because beforeDrawing said the list cannot be recorded
    std::string companionMessage;
    // Why the run ended before its last drawing when no drawing could go on
    // (said in the window and in the batch's output); empty otherwise.
    std::string stopReason;
    std::size_t processed = 0;           // rows given a status by this run
    std::vector<std::uint64_t> recorded; // those rows, by identity
    std::size_t failures = 0;            // of those: failures (IsFailure)
    std::string totals;                  // the product label's totals text
};

} // namespace ps
