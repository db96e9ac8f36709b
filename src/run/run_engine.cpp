#include "run/run_engine.h"

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
#include <set>

namespace ps {
namespace {

struct Run;

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
          copies(ports.files, ports.clock, rp.safetyFolder) {
        // The general product and profile, read once; when none is set,
        // AutoCAD's current ones as the run found them.
        prodName = s.ProdName.empty() ? AcadCurrentProductName(ports.registry) : s.ProdName;
        profile = s.ProdName.empty() ? AcadCurrentProfile(ports.registry) : s.Profile;
        slots = std::max<std::size_t>(1, o.jobs);
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
    std::optional<bool> companionPresent; // dry run without scripts
    // Files this run has had AutoCAD work on (drawings and what was saved),
    // and the files it saved into a save-to folder, as normalPath keys.
    std::set<std::string> handled;
    std::set<std::string> savedInto;
    // Drawings at once, the runners beyond the first, the drawings in
    // progress and what they share.
    std::size_t slots = 1;
    std::size_t rowCount = 0;
    std::vector<std::unique_ptr<ProcessRunner>> siblings;
    std::vector<std::unique_ptr<Job>> jobs;
    ProfileSession session;
    bool stopAsked = false;
    std::size_t done = 0; // rows done, for the meter
};

Job::Job(Run& r, std::uint64_t rowId, std::size_t i, std::size_t slotIndex)
    : slot(slotIndex), runner(nullptr), report{rowId, i, r.rowCount, {}, {}, {}, false},
      closer{r.p.windows, r.p.files, r.p.codec, r.p.clock,
             r.paths.tempFolder + std::string(kClosedPopUpsLog)} {}

// A file as the run tells files apart: one key for every spelling of its path.
std::string FileKey(const FileSystem& files, std::string_view path) {
    return ToUpper(files.normalPath(path));
}

// The free space of the volume holding the folder, asked of the folder or,
// when it does not exist yet, of the nearest folder above it.
std::optional<std::uint64_t> FreeSpaceAt(const FileSystem& files, std::string folder) {
    while (!folder.empty()) {
        if (const auto free = files.freeSpace(folder))
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
bool EnoughSpace(const Run& r, const RowPlan& plan, const std::string& fullPath, std::uint64_t bytes) {
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
    const auto targetFree = FreeSpaceAt(files, targetFolder);
    if (targetFree && *targetFree < targetNeeds)
        return false;
    const auto safetyFree =
        copies == 0 || safetyNeeds == 0 ? std::nullopt : FreeSpaceAt(files, r.paths.safetyFolder);
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

// Every file AutoCAD may write over gets a copy first: the drawing itself
// (saved in place) or a file already at the place of the save. nullopt when
// one could not be made (those made are gone again).
std::optional<std::vector<SafetyCopy>> MakeCopies(Run& r, const RowPlan& plan, const std::string& fullPath) {
    const std::string saved = SavedDrawingPath(plan.targetPath);
    std::vector<SafetyCopy> copies;
    for (const std::string& file : {fullPath, saved}) {
        const bool exposed = file == fullPath ? plan.inPlace : !EqualsNoCase(saved, fullPath);
        if (!exposed || !FileExists(r.p.files, file) ||
            std::any_of(copies.begin(), copies.end(),
                        [&](const SafetyCopy& c) { return c.original == file; }))
            continue;
        auto copy = r.copies.make(file);
        if (!copy) {
            for (const auto& c : copies)
                r.copies.finish(c, true);
            return std::nullopt;
        }
        copies.push_back(std::move(*copy));
    }
    return copies;
}

// "OK" needs the file AutoCAD was told to write changed, in the requested
// format, whole, and AutoCAD not ended by a crash (an exception code) that
// may have left it half-written.
bool SaveVerified(const FileSystem& files, const ProcessRunner& process, const std::string& saved,
                  const std::optional<FileFingerprint>& before, std::string_view wantedCode) {
    const auto exit = process.lastExitCode();
    if (exit && *exit >= 0xC0000000u)
        return false;
    const auto after = files.fingerprint(saved);
    const auto head = files.readPrefix(saved, 6);
    // A save cut short (a full disk) still starts with the right code.
    return after && after != before && head && !wantedCode.empty() && *head == wantedCode &&
           SavedDrawingWholeness(files, saved) != Wholeness::Cut;
}

std::string StatusOfOutcome(std::int16_t outcome, bool verified) {
    if (outcome == kOutcomeNotStarted)
        return std::string(status::kNotStarted);
    if (outcome == kOutcomeTimeout)
        return std::string(status::kTimeouted);
    if (outcome >= kOutcomeUserStop)
        return std::string(status::kTerminated);
    return std::string(verified ? status::kOk : status::kNotSaved);
}

// The folders AutoCAD loads code from for a drawing: the program's (the
// companion application) and the user's own script's. Releases from 2013 on
// may refuse or question code from folders they do not trust.
std::vector<std::string> TrustFolders(const Run& r, const RowPlan& plan) {
    std::vector<std::string> folders;
    if (!plan.productFamily || *plan.productFamily < ReleaseFamily::R19)
        return folders;
    folders.push_back(r.paths.programFolder);
    if (!r.settings.ScriptFile.empty())
        folders.push_back(FileFolder(r.settings.ScriptFile));
    return folders;
}

// The profile values and trusted paths of the product and profile that the
// drawings in progress use: set before the first of them starts, written
// back when the last has ended. A drawing of another product or profile
// waits until then, so nothing a running AutoCAD reads changes under it.
bool OtherSession(const Run& r, const RowPlan& plan) {
    return r.session.users > 0 &&
           (!EqualsNoCase(plan.prodName, r.session.prodName) || !EqualsNoCase(plan.profile, r.session.profile));
}

// False when AutoCAD would not load the companion application from where it lies.
bool JoinSession(Run& r, const RowPlan& plan) {
    ProfileSession& s = r.session;
    if (s.users > 0) {
        ++s.users;
        return true;
    }
    // AutoCAD's current product and profile become the chosen ones.
    MakeProductCurrent(r.p.registry, plan.prodName);
    SetAcadProductProfile(r.p.registry, plan.prodName, plan.profile);
    s.saved = GetAcadRegistry(r.p.registry, plan.prodName, plan.profile, IsOn(r.settings.CreateBak),
                              TrustFolders(r, plan));
    if (s.saved.untrusted) {
        RestoreAcadRegistry(r.p.registry, s.saved);
        return false;
    }
    s.prodName = plan.prodName;
    s.profile = plan.profile;
    s.users = 1;
    return true;
}

void LeaveSession(Run& r) {
    if (r.session.users > 0 && --r.session.users == 0)
        RestoreAcadRegistry(r.p.registry, r.session.saved);
}

// The process runner of a slot: the run's own for the first, a sibling of it
// for every further one; nullptr when no further process can run.
ProcessRunner* RunnerOf(Run& r, std::size_t slot) {
    if (slot == 0)
        return &r.p.process;
    while (r.siblings.size() < slot) {
        auto sibling = r.p.process.sibling();
        if (!sibling)
            return nullptr;
        r.siblings.push_back(std::move(sibling));
    }
    return r.siblings[slot - 1].get();
}

// A free slot; nullopt when every slot is in use.
std::optional<std::size_t> FreeSlot(const Run& r) {
    for (std::size_t slot = 0; slot < r.slots; ++slot)
        if (std::none_of(r.jobs.begin(), r.jobs.end(), [&](const auto& j) { return j->slot == slot; }))
            return slot;
    return std::nullopt;
}

// The script of a slot: "purge.scr" for the first, "purge2.scr" and so on
// beside it for drawings processed at the same time.
std::string ScriptBaseOf(const Run& r, std::size_t slot) {
    return slot == 0 ? r.paths.scriptBasePath : r.paths.scriptBasePath + std::to_string(slot + 1);
}

void ShowRunning(Run& r, const std::string& newest) {
    if (r.slots == 1)
        r.p.state.setStatus(std::string(kStatusNowRunning) + newest);
    else
        r.p.state.setStatus(std::string(kStatusNowRunning) + std::to_string(r.jobs.size()) + " of " +
                            std::to_string(r.rowCount) + ": " + newest);
}

// Starts AutoCAD on a drawing whose plan allows it: empty when it runs (the
// job is the run's), else the row's status.
std::string StartAutoCad(Run& r, Job& job) {
    RunPorts& p = r.p;
    const RowPlan& plan = job.report.plan;
    if (!JoinSession(r, plan))
        return std::string(status::kCompanionNotTrusted);
    auto copies = MakeCopies(r, plan, job.report.fullPath);
    if (!copies) {
        LeaveSession(r);
        return std::string(status::kNoSafetyCopy);
    }
    job.copies = std::move(*copies);
    job.savedBefore = p.files.fingerprint(SavedDrawingPath(plan.targetPath));
    job.wantedCode = plan.saveFormat ? VersionCode(*plan.saveFormat) : std::string_view();
    if (r.options.rowStarted)
        r.options.rowStarted(job.report.rowId);
    const ProcessFileRequest request{plan.exePath,
                                     job.report.fullPath,
                                     ScriptBaseOf(r, job.slot),
                                     r.settings.Timeout,
                                     IsOn(r.settings.RestoreTime),
                                     r.options.minimized ? 2 : 1,
                                     IsOn(r.settings.ClosePopUps)};
    job.drawing.emplace(p.files, request);
    job.watch.emplace(*job.runner, p.clock,
                      [&job](const std::vector<std::uint32_t>& tree) {
                          return CloseAcadPopUps(job.closer, job.report.plan.r15OrLater, job.report.fullPath,
                                                 tree);
                      },
                      request.timeoutSeconds, request.closePopUps);
    job.stage = job.watch->start(job.drawing->commandLine(), request.windowStyle) ? Job::Stage::Running
                                                                                  : Job::Stage::Gone;
    return {};
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
        r.options.dryRun ? (r.options.dryRunScripts.empty()
                                ? std::string()
                                : r.options.dryRunScripts + "\\" + std::to_string(report.row))
                         : ScriptBaseOf(r, job.slot);
    ScriptResult scripted = ScriptResult::Written;
    std::string message;
    if (!scriptBase.empty()) {
        const ScriptEnvironment env{p.files, p.codec, scriptBase, r.paths.programFolder};
        const ScriptProduct product{plan.productType, plan.releaseKey, plan.r15OrLater};
        scripted = CreateSCRpurge(env, r.settings, product, plan.saveFormat.value_or(kNotSaved),
                                  plan.targetPath, &message);
    } else if (plan.productType == kProductTypeAutoCad && !CompanionPresent(r)) {
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
    std::string refused = StartAutoCad(r, job);
    return {refused.empty() ? RowEnd::Started : RowEnd::Next, std::move(refused)};
}

// The drawing and the file its save goes to, as FileKey gives them.
struct RowKeys {
    std::string drawing;
    std::string saved;
};

RowKeys KeysOf(const FileSystem& files, const RowPlan& plan, const std::string& fullPath) {
    RowKeys keys{FileKey(files, fullPath), {}};
    const std::string saved = SavedDrawingPath(plan.targetPath);
    keys.saved = EqualsNoCase(saved, fullPath) ? keys.drawing : FileKey(files, saved);
    return keys;
}

// Why AutoCAD is not to be started on a pending drawing; empty when it may.
std::string RefusalOf(const Run& r, const DrawingFacts& before, const RowPlan& plan, const RowKeys& keys,
                      const std::string& fullPath) {
    if (r.handled.contains(keys.drawing))
        return std::string(status::kAlreadyProcessed);
    if (!before.exists)
        return std::string(status::kFileNotFound);
    if (!before.readable) // its header could not be read: held by another program, or no rights
        return std::string(status::kAccessDenied);
    if (!plan.status.empty())
        return plan.status;
    if (!before.openableAlone) // another program writes it
        return std::string(status::kAccessDenied);
    if (before.readOnly)
        return std::string(status::kReadOnly);
    // Saved into one folder, a second drawing of the name would replace the first's.
    if (keys.saved != keys.drawing && r.savedInto.contains(keys.saved))
        return std::string(status::kNameAlreadySaved);
    if (!EnoughSpace(r, plan, fullPath, before.bytes))
        return std::string(status::kNotEnoughSpace);
    return {};
}

// Refuses or processes a pending drawing.
Handled HandleDrawing(Run& r, Job& job) {
    const RowKeys keys = KeysOf(r.p.files, job.report.plan, job.report.fullPath);
    std::string text = RefusalOf(r, job.before, job.report.plan, keys, job.report.fullPath);
    if (!text.empty())
        return {RowEnd::Next, std::move(text)};
    job.report.scripted = true;
    Handled handled = ScriptAndRun(r, job);
    if (handled.end != RowEnd::Stop) {
        // Processed at most once in a run, however the list spells it.
        r.handled.insert(keys.drawing);
        r.handled.insert(keys.saved);
        if (keys.saved != keys.drawing)
            r.savedInto.insert(keys.saved);
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
    if (r.options.rowDone)
        r.options.rowDone(report);
}

// A row that is not pending is reported and left as it is.
void PassOver(Run& r, const DrawingRow& row, std::size_t i, std::size_t n) {
    const RowReport passed{row.id, i, n, FullPath(row), row.cell(kColStatus), {}, false, true};
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
    if (!row->isPending()) {
        PassOver(r, *row, i, n);
        return RowEnd::Next;
    }
    auto job = std::make_unique<Job>(r, rowId, i, slot);
    job->runner = RunnerOf(r, slot);
    job->report.fullPath = FullPath(*row);
    // One look at the file for every cell and check below.
    job->before = ReadDrawingFacts(p.files, job->report.fullPath);
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
    if (!skip && plan.status.empty() && OtherSession(r, plan))
        return RowEnd::Wait;
    const Handled handled = skip ? Handled{RowEnd::Next, {}} : HandleDrawing(r, *job);
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

// AutoCAD has gone from a drawing: what it saved is checked, the drawing's
// dates and lock, AutoCAD's settings and the safety copies are put right, and
// the row gets its status.
void FinishJob(Run& r, Job& job) {
    RunPorts& p = r.p;
    const std::int16_t outcome = job.watch->outcome();
    const std::string saved = SavedDrawingPath(job.report.plan.targetPath);
    const bool verified =
        outcome == kOutcomeEnded && SaveVerified(p.files, *job.runner, saved, job.savedBefore, job.wantedCode);
    job.drawing->finish(outcome, verified);
    LeaveSession(r);
    for (const auto& c : job.copies)
        r.copies.finish(c, outcome == kOutcomeEnded && verified);
    EndRow(r, job.report, job.before, StatusOfOutcome(outcome, verified));
}

// A row is done (passed over, refused or processed): the meter moves, and a
// requested stop lets no further drawing start.
void RowFinished(Run& r) {
    r.p.progress.position(static_cast<std::int64_t>(++r.done));
    if (r.p.state.stopRequested())
        r.p.state.running(false);
}

// One look at every drawing in progress; true when one of them finished.
bool WatchJobs(Run& r) {
    bool finished = false;
    for (auto it = r.jobs.begin(); it != r.jobs.end();) {
        Job& job = **it;
        if (job.stage == Job::Stage::Running && job.watch->pass())
            job.stage = Job::Stage::Settled;
        if (job.stage == Job::Stage::Settled) {
            job.watch->end();
            job.stage = Job::Stage::Ending;
        }
        if (job.stage == Job::Stage::Gone || (job.stage == Job::Stage::Ending && job.watch->gone())) {
            FinishJob(r, job);
            it = r.jobs.erase(it);
            RowFinished(r);
            finished = true;
            continue;
        }
        ++it;
    }
    return finished;
}

// Stop while AutoCAD works: one question for every drawing in progress. Yes
// ends them all; No lets them finish. Either way no drawing starts after.
void AskAboutStop(Run& r) {
    if (!r.p.state.stopRequested() || r.stopAsked ||
        std::none_of(r.jobs.begin(), r.jobs.end(), [](const auto& j) { return j->stage == Job::Stage::Running; }))
        return;
    r.stopAsked = true;
    if (!r.p.prompt.askYesNo(kTerminateQuestion, kPromptTitle))
        return;
    for (auto& job : r.jobs)
        if (job->stage == Job::Stage::Running) {
            job->watch->stopByUser();
            job->stage = Job::Stage::Settled;
        }
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
            pointers.emplace(p.registry);
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
        if (WatchJobs(r))
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
