#include "run/run_engine.h"
#include "run/run_jobs.h"

#include "acad/current_pointers.h"
#include "acad/host.h"
#include "acad/popup_closer.h"
#include "acad/products.h"
#include "acad/profile_values.h"
#include "core/file_facts.h"
#include "core/strings.h"
#include "drawinglist/version.h"
#include "drawinglist/wholeness.h"
#include "run/process_file.h"
#include "run/run_texts.h"
#include "run/safety_copies.h"
#include "run/shell_wait.h"
#include "script/purge_script.h"

#include <algorithm>
#include <functional>
#include <set>

namespace ps {
namespace {

using namespace engine;

// A folder's free space; a dry run asks each folder once.
std::optional<std::uint64_t> FreeSpaceOf(Run& r, const std::string& folder) {
    if (!r.options.dryRun)
        return r.p.files.freeSpace(folder);
    const auto [at, added] = r.dryRunFreeSpace.try_emplace(folder);
    if (added)
        at->second = r.p.files.freeSpace(folder);
    return at->second;
}

// The free space of the volume holding the folder, asked of the folder or,
// when it does not exist yet, of the nearest folder above it.
std::optional<std::uint64_t> FreeSpaceAt(Run& r, std::string folder) {
    while (!folder.empty()) {
        if (const auto free = FreeSpaceOf(r, folder))
            return free;
        const std::string parent = FileFolder(folder);
        if (parent.size() >= folder.size())
            break;
        folder = parent;
    }
    return std::nullopt;
}

// Room for AutoCAD's save beside the drawing (the new file and the ".bak")
// and for the safety copies, each with a margin. A volume that cannot tell
// is not held against the drawing.
bool EnoughSpace(Run& r, const RowPlan& plan, const std::string& fullPath, std::uint64_t bytes) {
    const FileSystem& files = r.p.files;
    const std::string saved = SavedDrawingPath(plan.targetPath);
    std::uint64_t copies = plan.inPlace ? bytes : 0;
    if (!EqualsNoCase(saved, fullPath))
        if (const auto entry = files.findEntry(saved))
            copies += entry->size;
    std::uint64_t targetNeeds = 2 * bytes + kDiskMarginBytes;
    std::uint64_t safetyNeeds = copies + kDiskMarginBytes;
    const std::string targetFolder = FileFolder(saved);
    if (PathRoot(files.normalPath(targetFolder)) == PathRoot(files.normalPath(r.paths.safetyFolder))) {
        targetNeeds += copies;
        safetyNeeds = 0;
    }
    const auto targetFree = FreeSpaceAt(r, targetFolder);
    if (targetFree && *targetFree < targetNeeds)
        return false;
    const auto safetyFree =
        copies == 0 || safetyNeeds == 0 ? std::nullopt : FreeSpaceAt(r, r.paths.safetyFolder);
    return !safetyFree || *safetyFree >= safetyNeeds;
}

// The row by identity after a pump; nullptr when it has left the list.
DrawingRow* Lookup(DrawingList& list, std::uint64_t id, std::size_t& hint) {
    const auto at = list.positionOf(id, hint);
    if (!at)
        return nullptr;
    hint = *at;
    return &list[*at];
}

enum class RowEnd { Next, Started, Wait, Stop };

// Looked for once per dry run without scripts.
bool CompanionPresent(Run& r) {
    if (!r.companionPresent)
        r.companionPresent = !FindCompanion(r.p.files, r.paths.programFolder).empty();
    return *r.companionPresent;
}

// What became of a drawing handed to ScriptAndRun: a status, AutoCAD
// started on it, or the run cannot go on (companion missing, the list cannot
// be recorded).
struct Handled {
    RowEnd end = RowEnd::Next;
    std::string status;
};

// Writes the script and starts AutoCAD, or says why not. Sets
// report.wouldRun in a dry run.
Handled ScriptAndRun(Run& r, Job& job) {
    RunPorts& p = r.p;
    RowReport& report = job.report;
    const RowPlan& plan = report.plan;
    const std::string scriptBase =
        r.options.dryRun
            ? (r.options.dryRunScripts.empty() ? std::string()
                                               : r.options.dryRunScripts + "\\" + std::to_string(report.row))
            : ScriptBaseOf(r, job.slot);
    ScriptResult scripted = ScriptResult::Written;
    std::string message;
    if (!scriptBase.empty()) {
        p.files.createFolder(FileFolder(scriptBase)); // the run's own folder, made when first needed
        const ScriptEnvironment env{p.files, p.codec, scriptBase, r.paths.programFolder};
        job.console = ConsoleEngineOf(r, plan);
        const ScriptProduct product{plan.productType, plan.releaseKey, plan.r15OrLater, !job.console.empty()};
        scripted = CreateSCRpurge(env, r.settings, product, plan.saveFormat.value_or(kNotSaved),
                                  plan.targetPath, &message);
    } else if (ProductRunsCompanion(plan.productType, plan.releaseKey) && !CompanionPresent(r)) {
        scripted = ScriptResult::CompanionMissing;
        message = CompanionMissingMessage(r.paths.programFolder);
    }
    if (scripted == ScriptResult::CompanionMissing) {
        r.result.companionMissing = true;
        r.result.companionMessage = message;
        p.prompt.inform(message, kPromptTitle);
        return {RowEnd::Stop, {}};
    }
    if (scripted == ScriptResult::Failed)
        return {RowEnd::Next, std::string(status::kScriptDenied)};
    if (r.options.dryRun) {
        report.wouldRun = true;
        return {RowEnd::Next, {}};
    }
    if (r.options.beforeDrawing && !r.options.beforeDrawing()) {
        r.result.listNotRecorded = true;
        return {RowEnd::Stop, {}};
    }
    Started started = StartAutoCad(r, job);
    if (started.wait)
        return {RowEnd::Wait, {}};
    if (!started.stop.empty()) {
        r.result.stopReason = started.stop;
        return {RowEnd::Stop, {}};
    }
    return {started.status.empty() ? RowEnd::Started : RowEnd::Next, std::move(started.status)};
}

// The drawing and the file its save goes to, as the file system tells them
// apart: however a path reaches them.
struct RowKeys {
    FileKeys drawing;
    FileKeys saved;
    bool savedIsDrawing = false;
};

RowKeys KeysOf(Run& r, const RowPlan& plan, const std::string& fullPath) {
    KnownFolderIds* known = r.options.dryRun ? &r.dryRunFolderIds : nullptr;
    RowKeys keys{KeysOfFile(r.p.files, fullPath, known), {}, false};
    const std::string saved = SavedDrawingPath(plan.targetPath);
    keys.saved = EqualsNoCase(saved, fullPath) ? keys.drawing : KeysOfFile(r.p.files, saved, known);
    keys.savedIsDrawing = keys.saved.meets(keys.drawing);
    return keys;
}

// Why AutoCAD is not to be started on a pending drawing; empty when it may.
// The row's keys are asked for only where a rule needs them: telling files
// apart costs the file system a look per path, and most refusals need none.
std::string RefusalOf(Run& r, const DrawingFacts& before, const RowPlan& plan,
                      const std::function<const RowKeys&()>& keysOf, const std::string& fullPath) {
    if (!r.handled.empty() && r.handled.meets(keysOf().drawing))
        return std::string(status::kAlreadyProcessed);
    if (!before.exists)
        return std::string(status::kFileNotFound);
    if (!before.readable) // its header could not be read: held by another program, or no rights
        return std::string(status::kAccessDenied);
    if (!plan.status.empty())
        return plan.status;
    if (!before.openableAlone) // another program writes it
        return std::string(status::kAccessDenied);
    // AutoCAD would stop at the missing file with the cleaning half done.
    if (ScriptRunsUserFile(r.settings, plan.productType, plan.releaseKey) &&
        !FileExists(r.p.files, r.settings.ScriptFile))
        return std::string(status::kScriptFileMissing);
    // Given to AutoCAD, a drawing cut short would be saved over and its
    // ".bak" would keep only the damage.
    if (DrawingWholeness(r.p.files, fullPath, before.head, before.bytes) == Wholeness::Cut)
        return std::string(status::kDamaged);
    if (before.readOnly)
        return std::string(status::kReadOnly);
    // Saved into one folder, a second drawing of the name would replace the first's.
    if (!keysOf().savedIsDrawing && r.savedInto.meets(keysOf().saved))
        return std::string(status::kNameAlreadySaved);
    // Another file at the save's place (the DWG beside a DXF, a file of the
    // name in the save-to folder) is never written over.
    if (!keysOf().savedIsDrawing && FileExists(r.p.files, SavedDrawingPath(plan.targetPath)))
        return std::string(status::kWouldReplaceAnotherFile);
    if (!EnoughSpace(r, plan, fullPath, before.bytes))
        return std::string(status::kNotEnoughSpace);
    return {};
}

// Refuses or processes a pending drawing.
Handled HandleDrawing(Run& r, Job& job) {
    std::optional<RowKeys> lazyKeys;
    const auto keysOf = [&]() -> const RowKeys& {
        if (!lazyKeys)
            lazyKeys = KeysOf(r, job.report.plan, job.report.fullPath);
        return *lazyKeys;
    };
    std::string text = RefusalOf(r, job.before, job.report.plan, keysOf, job.report.fullPath);
    if (!text.empty())
        return {RowEnd::Next, std::move(text)};
    const RowKeys& keys = keysOf();
    // Not while another Plansweeper run works on the drawing or its save's file.
    std::optional<std::string> claim;
    if (!r.options.dryRun) {
        std::vector<FileKeys> claimed{keys.drawing};
        if (!keys.savedIsDrawing)
            claimed.push_back(keys.saved);
        claim = r.claims.claim(claimed);
        if (!claim)
            return {RowEnd::Next, std::string(status::kInUseByAnotherRun)};
    }
    job.report.scripted = true;
    Handled handled = ScriptAndRun(r, job);
    if (handled.end == RowEnd::Started)
        job.claim = claim.value_or(std::string());
    else if (claim)
        r.claims.release(*claim);
    if (handled.end != RowEnd::Stop && handled.end != RowEnd::Wait) {
        // Processed at most once in a run, however the list spells it.
        r.handled.add(keys.drawing);
        if (!keys.savedIsDrawing) {
            r.handled.add(keys.saved);
            r.savedInto.add(keys.saved);
        }
    }
    return handled;
}

// The row's cells after its drawing was handled; counts it.
void RecordRow(Run& r, DrawingRow& row, const RowPlan& plan, const std::string& fullPath,
               const DrawingFacts& before, bool autoCadMayHaveRun) {
    RunPorts& p = r.p;
    // A refused drawing is as it was a moment ago.
    const DrawingFacts after = autoCadMayHaveRun ? ReadDrawingFacts(p.files, fullPath) : before;
    // What cannot be read of a held drawing stays as last known.
    const bool known = after.readable || !after.exists;
    if (known)
        row.cell(kColVersion) = after.version;
    const bool ok = row.cell(kColStatus) == status::kOk;
    row.cell(kColSizeAfter) = std::to_string(
        ok && !EqualsNoCase(plan.targetPath, fullPath) ? FileSizeKB(p.files, plan.targetPath) : after.sizeKB);
    if (known)
        row.cell(kColDateAfter) = after.dateText;
    if (IsOn(r.settings.DeleteBak) && !r.options.dryRun)
        p.files.deleteFile(FileBaseName(fullPath, true) + ".bak");
    ++r.result.processed;
    r.result.recorded.push_back(row.id);
    if (IsFailure(row.cell(kColStatus)))
        ++r.result.failures;
}

// The row has its status (empty: a dry run would start AutoCAD on it): its
// cells are recorded and it is reported. The wait pumped messages: the row
// may have moved or gone.
void EndRow(Run& r, RowReport& report, const DrawingFacts& before, const std::string& text) {
    std::size_t hint = report.row - 1;
    DrawingRow* row = Lookup(r.list, report.rowId, hint);
    if (row == nullptr)
        return;
    if (!text.empty() || row->cell(kColStatus) == status::kProcessing)
        row->cell(kColStatus) = text;
    if (!report.wouldRun)
        RecordRow(r, *row, report.plan, report.fullPath, before, report.scripted);
    report.status = row->cell(kColStatus);
    // What the drawing is after an OK, for a later run to recognise it.
    if (report.status == status::kOk && r.history)
        r.history->record(report.fullPath, r.settingsHash);
    if (r.options.rowDone)
        r.options.rowDone(report);
}

// A row that is not pending is reported and left as it is.
void PassOver(Run& r, const DrawingRow& row, std::size_t i, std::size_t n) {
    const RowReport passed{row.id, i,  n, FullPath(row), row.cell(kColStatus), {}, false, true, false, {}, {},
                           0,      {}, {}};
    if (r.options.rowDone)
        r.options.rowDone(passed);
}

// Measures and plans a row, then refuses it, passes over it or starts
// AutoCAD on it in the slot given.
RowEnd BeginRow(Run& r, std::uint64_t rowId, std::size_t i, std::size_t slot) {
    RunPorts& p = r.p;
    const std::size_t n = r.rowCount;
    std::size_t hint = i - 1;
    DrawingRow* row = Lookup(r.list, rowId, hint);
    if (row == nullptr)
        return RowEnd::Next;
    if (!row->isPending() || !r.chosen(rowId)) {
        PassOver(r, *row, i, n);
        return RowEnd::Next;
    }
    auto job = std::make_unique<Job>(r, rowId, i, slot);
    job->runner = RunnerOf(r, slot);
    job->report.fullPath = FullPath(*row);
    // One look at the file for every cell and check below.
    job->before = ReadDrawingFacts(p.files, job->report.fullPath);
    job->report.versionBefore = job->before.version;
    row->cell(kColSizeBefore) = std::to_string(job->before.sizeKB);
    // A drawing another program holds keeps what was read of it before.
    if (job->before.readable || !job->before.exists)
        row->cell(kColDateBefore) = job->before.dateText;
    RowPlan& plan = job->report.plan;
    plan = PlanRow(r.products, r.settings, r.prodName, r.profile, p.codec, job->before.version,
                   job->report.fullPath, row->cell(kColFilename));
    p.state.setProductHead(plan.prodName, plan.profile);
    p.state.showActivity(RunningLabel(i, n, p.clock.monotonicMs() - r.startMs));
    if (!p.state.busy()) {
        r.result.stopped = true;
        return RowEnd::Stop;
    }
    // Set to Skip by the user while the run went on: measured, not run.
    const bool skip = row->cell(kColStatus) == status::kSkip;
    // As the last OK run left it, with the same settings: not run again, nor waited for.
    const bool unchanged = !skip && plan.status.empty() && r.history &&
                           r.history->unchanged(job->report.fullPath, r.settingsHash);
    if (!skip && !unchanged && plan.status.empty() && OtherSession(r, plan))
        return RowEnd::Wait;
    const Handled handled = skip        ? Handled{RowEnd::Next, {}}
                            : unchanged ? Handled{RowEnd::Next, std::string(status::kUnchanged)}
                                        : HandleDrawing(r, *job);
    if (handled.end == RowEnd::Wait) {
        // Another run uses the product with another profile or other values.
        p.state.setStatus(std::string(kStatusWaitingForOtherRun) + plan.prodName);
        return RowEnd::Wait;
    }
    if (handled.end == RowEnd::Stop) {
        // Nothing more can run: the row stays pending and the run ends here.
        r.result.stopped = i < n;
        return RowEnd::Stop;
    }
    if (handled.end == RowEnd::Next) {
        EndRow(r, job->report, job->before, handled.status);
        return RowEnd::Next;
    }
    // The row shows that AutoCAD works on it; the list file keeps it pending.
    if ((row = Lookup(r.list, rowId, hint)) != nullptr)
        row->cell(kColStatus) = status::kProcessing;
    const std::string newest = job->report.fullPath;
    r.jobs.push_back(std::move(job));
    ShowRunning(r, newest);
    return RowEnd::Started;
}

// A row is done (passed over, refused or processed): the meter moves, and a
// requested stop lets no further drawing start.
void RowFinished(Run& r) {
    r.p.progress.position(static_cast<std::int64_t>(++r.done));
    if (r.p.state.stopRequested())
        r.p.state.running(false);
}

// Whatever ends the run (its last row, a stop, an exception): not busy, not
// on top, AutoCAD's pointers as they were.
struct RunScope {
    RunPorts& p;
    const Settings& settings;
    const RunOptions& options;
    std::optional<PointerGuard> pointers;
    RunScope(RunPorts& ports, const Settings& s, const RunOptions& o) : p(ports), settings(s), options(o) {
        if (!o.dryRun)
            pointers.emplace(p.registry, p.runs);
        p.state.running(true);
        if (IsOn(settings.OnTop) && options.setTopmost)
            options.setTopmost(true);
    }
    ~RunScope() {
        p.state.running(false);
        if (IsOn(settings.OnTop) && options.setTopmost)
            options.setTopmost(false);
    }
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;
};

// Starts rows while a slot is free; false once no further row will start.
bool StartRows(Run& r, const std::vector<std::uint64_t>& ids, std::size_t& next) {
    while (next <= ids.size()) {
        const auto slot = FreeSlot(r);
        if (!slot || !RunnerOf(r, *slot))
            return true;
        r.p.pump.pumpOnce();
        AskAboutStop(r);
        if (r.p.state.stopRequested())
            r.p.state.running(false);
        switch (BeginRow(r, ids[next - 1], next, *slot)) {
        case RowEnd::Wait:
            return true;
        case RowEnd::Stop:
            return false;
        case RowEnd::Next:
            ++next;
            RowFinished(r);
            break;
        case RowEnd::Started:
            ++next;
            break;
        }
    }
    return false;
}

// The rows in their order, up to r.slots drawings at a time, until every row
// is done or the run stops; drawings in progress are always seen to their end.
void ProcessRows(Run& r, const std::vector<std::uint64_t>& ids) {
    std::size_t next = 1;
    bool starting = true;
    while (true) {
        if (starting)
            starting = StartRows(r, ids, next);
        if (r.jobs.empty() && !starting)
            return;
        r.p.pump.pumpOnce();
        AskAboutStop(r);
        if (WatchJobs(r, [&r, &starting](Job& job, const std::string& status) {
                EndRow(r, job.report, job.before, status);
                RowFinished(r);
                // Every later drawing would meet the licence window too.
                if (status == status::kLicencePrompt) {
                    r.result.stopReason = std::string(kLicenceStopReason);
                    r.result.stopped = true;
                    starting = false;
                }
            }))
            continue;
        // One pass per wake: a process ends, input arrives, or a short while passes.
        r.p.process.waitForWake(kWaitSliceMs);
    }
}

} // namespace

RunResult runScript(RunPorts& p, const Settings& settings, DrawingList& list, const RunPaths& paths,
                    const RunOptions& options) {
    RunResult result;
    const std::size_t n = list.size();
    p.progress.start(static_cast<std::int64_t>(n));
    if (n == 0) {
        p.state.showHead();
        p.prompt.inform("No drawings in the list.", kPromptTitle);
    }
    p.state.clearStop();
    std::optional<std::uint64_t> startMs;

    if (n > 0 && !p.state.busy()) {
        // The rows of this run, by identity: the list may change under it.
        std::vector<std::uint64_t> ids;
        ids.reserve(n);
        for (const auto& row : list)
            ids.push_back(row.id);
        Run run(p, settings, list, paths, options, result);
        run.rowCount = n;
        startMs = run.startMs;
        {
            RunScope scope(p, settings, options);
            result.ranRows = true;
            p.state.showActivity(kActivityResetting);
            list.selectAll(false);
            ProcessRows(run, ids);
        }
    }
    p.state.showActivity(kActivityCalculating);
    const RunTally tally{result.recorded, result.stopped};
    const std::string totals =
        TotalsText(list, startMs ? std::optional(p.clock.monotonicMs() - *startMs) : std::nullopt,
                   startMs ? &tally : nullptr);
    p.state.showHead();
    result.totals = p.state.head() + totals;
    p.state.showActivity(totals.substr(4)); // the head, an empty line, then the totals
    p.progress.end();
    return result;
}

} // namespace ps
