// The drawings a run has AutoCAD work on at the same time: what the run
// shares between its rows, one job per drawing in progress, and what starts,
// watches and ends those jobs. Used by the run engine only.
#pragma once

#include "acad/popup_closer.h"
#include "acad/profile_values.h"
#include "drawinglist/version.h"
#include "run/drawing_claims.h"
#include "run/process_file.h"
#include "core/file_facts.h"
#include "core/settings.h"
#include "drawinglist/drawing_list.h"
#include "drawinglist/status.h"
#include "run/run_history.h"
#include "run/run_types.h"
#include "settings/settings_keys.h"
#include "run/safety_copies.h"
#include "run/shell_wait.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace ps::engine {

struct Run;

// How often the pop-ups of several drawings in progress are looked for: an
// AutoCAD dialog waits at most this long for its answer.
inline constexpr std::uint64_t kLookEveryMs = 500;

// The profile values and trusted paths that drawings in progress need, and
// how many of them need them.
struct ProfileSession {
    std::string prodName;
    std::string profile;
    SavedProfileValues saved;
    std::size_t users = 0;
};

// A drawing AutoCAD works on: its row, what was noted before the start, the
// process and the watch over it.
struct Job {
    enum class Stage { Running, Settled, Ending, Gone };

    Job(Run& r, std::uint64_t rowId, std::size_t i, std::size_t slotIndex);
    std::size_t slot;
    ProcessRunner* runner;
    RowReport report;
    DrawingFacts before;
    std::vector<SafetyCopy> copies;
    std::optional<FileFingerprint> savedBefore;
    std::string_view wantedCode;
    std::string console;               // the console engine that processes it; empty: acad.exe
    std::string consoleOutput;         // the file its words go to while the run keeps transcripts
    std::string claim;                 // this run's claim on the drawing and its save's file
    std::uint64_t startedMs = 0;       // when AutoCAD was started on it (monotonic)
    std::uint64_t startedFileTime = 0; // the same, as file times count it
    // Windows logged already, and so on: one per process.
    PopUpScanContext closer;
    std::optional<DrawingAtWork> drawing;
    std::optional<ProcessWatch> watch;
    Stage stage = Stage::Gone;
};

// One run over the list: what stays the same from row to row.
struct Run {
    Run(RunPorts& ports, const Settings& s, DrawingList& l, const RunPaths& rp, const RunOptions& o,
        RunResult& r)
        : p(ports), settings(s), list(l), paths(rp), options(o), result(r),
          products(ProductCatalog::Read(ports.registry)), startMs(ports.clock.monotonicMs()),
          copies(ports.files, ports.clock, rp.safetyFolder), claims(ports.files, ports.runs, rp.runsFolder),
          look(ports.windows) {
        // The general product and profile, read once; when none is set,
        // AutoCAD's current ones as the run found them.
        prodName = s.ProdName.empty() ? AcadCurrentProductName(ports.registry) : s.ProdName;
        profile = s.ProdName.empty() ? AcadCurrentProfile(ports.registry) : s.Profile;
        // Drawings at the same time, each by its own AutoCAD: the Parallel
        // setting, taken into its range.
        slots = static_cast<std::size_t>(DrawingsAtOnce(s.Parallel));
        onlyRows = o.onlyRows;
        std::sort(onlyRows.begin(), onlyRows.end());
        // Kept while the setting is on: read at the start, a line added per
        // OK, and so written afresh when it grows (off, nothing is kept).
        if (!rp.historyFile.empty() && !o.dryRun && IsOn(s.SkipUnchanged)) {
            history.emplace(ports.files, ports.runs, rp.historyFile);
            settingsHash = CleaningSettingsHash(s);
            history->load();
        }
    }
    // The row is one the run is to process (Run Failed Again names them).
    bool chosen(std::uint64_t rowId) const {
        return onlyRows.empty() || std::binary_search(onlyRows.begin(), onlyRows.end(), rowId);
    }
    ~Run() {
        // Jobs first: their processes are ended before their runners go.
        jobs.clear();
    }
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;
    RunPorts& p;
    const Settings& settings;
    DrawingList& list;
    const RunPaths& paths;
    const RunOptions& options;
    RunResult& result;
    ProductCatalog products;
    std::string prodName;
    std::string profile;
    std::uint64_t startMs = 0;
    SafetyCopies copies;
    DrawingClaims claims;
    // The desktop as the pop-up closers of one look at the jobs see it, and
    // when it was last looked at.
    WindowLook look;
    std::optional<std::uint64_t> lookedAtMs;
    std::optional<bool> companionPresent; // dry run without scripts
    // Files this run has had AutoCAD work on (drawings and what was saved),
    // and the files it saved into a save-to folder, as FileKeys.
    FileKeySet handled;
    FileKeySet savedInto;
    // What a dry run asked of folders (ids, free space) once per folder: it
    // changes nothing, so what a folder answered a moment ago still holds.
    KnownFolderIds dryRunFolderIds;
    std::unordered_map<std::string, std::optional<std::uint64_t>> dryRunFreeSpace;
    // Drawings at once, the runners beyond the first, the drawings in
    // progress and what they share.
    std::size_t slots = 1;
    std::vector<std::uint64_t> onlyRows; // sorted
    std::optional<RunHistory> history;   // what earlier OK runs left; none in a dry run
    std::uint64_t settingsHash = 0;
    std::size_t rowCount = 0;
    std::vector<std::unique_ptr<ProcessRunner>> siblings;
    std::vector<std::unique_ptr<Job>> jobs;
    ProfileSession session;
    bool stopAsked = false;
    std::size_t done = 0; // rows done, for the meter
};

inline Job::Job(Run& r, std::uint64_t rowId, std::size_t i, std::size_t slotIndex)
    : slot(slotIndex),
      runner(nullptr), report{rowId, i, r.rowCount, {}, {}, {}, false, false, false, {}, {}, 0, {}, {}},
      closer{r.look, r.p.files, r.p.codec, r.p.clock, r.paths.tempFolder + std::string(kClosedPopUpsLog)} {}

// Whether the plan needs another product or profile than the drawings in
// progress: AutoCAD's current product and its profile values are set before
// the first of them starts and put back after the last has ended, so such a
// drawing waits until then and nothing a running AutoCAD reads changes
// under it. Other runs are asked when the session starts (JoinProfileValues).
bool OtherSession(const Run& r, const RowPlan& plan);
// The console engine for a drawing: accoreconsole.exe beside acad.exe when
// the settings ask for it and the product is AutoCAD 2013 or later and has
// it; empty for acad.exe.
std::string ConsoleEngineOf(const Run& r, const RowPlan& plan);
// The process runner of a slot: the run's own for the first, a sibling of it
// for every further one; nullptr when no further process can run.
ProcessRunner* RunnerOf(Run& r, std::size_t slot);
// A free slot; nullopt when every slot is in use.
std::optional<std::size_t> FreeSlot(const Run& r);
// The script of a slot: "purge.scr" for the first, "purge2.scr" and so on
// beside it for drawings processed at the same time.
std::string ScriptBaseOf(const Run& r, std::size_t slot);
// The status label while drawings are in progress.
void ShowRunning(Run& r, const std::string& newest);
// Starts AutoCAD on a drawing whose plan allows it: running, refused with
// the row's status, or waiting because another run uses the product with
// other profile values.
struct Started {
    bool wait = false;
    std::string status; // empty: AutoCAD runs
    std::string stop;   // the run cannot go on, for this reason
};
Started StartAutoCad(Run& r, Job& job);
// One look at every drawing in progress; each one that has ended is put
// right, handed to ended with its status and dropped. True when one ended.
bool WatchJobs(Run& r, const std::function<void(Job& job, const std::string& status)>& ended);
// Stop while AutoCAD works: one question for every drawing in progress. Yes
// ends them all; No lets them finish. Either way no drawing starts after.
void AskAboutStop(Run& r);

} // namespace ps::engine
