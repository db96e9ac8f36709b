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
    }
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
};

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
bool SaveVerified(RunPorts& p, const std::string& saved, const std::optional<FileFingerprint>& before,
                  std::string_view wantedCode) {
    const auto exit = p.process.lastExitCode();
    if (exit && *exit >= 0xC0000000u)
        return false;
    const auto after = p.files.fingerprint(saved);
    const auto head = p.files.readPrefix(saved, 6);
    // A save cut short (a full disk) still starts with the right code.
    return after && after != before && head && !wantedCode.empty() && *head == wantedCode &&
           SavedDrawingWholeness(p.files, saved) != Wholeness::Cut;
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

// Starts AutoCAD on a drawing whose plan allows it and says what became of it.
std::string RunAutoCad(Run& r, const RowPlan& plan, const std::string& fullPath, std::uint64_t rowId) {
    RunPorts& p = r.p;
    const std::string saved = SavedDrawingPath(plan.targetPath);

    // AutoCAD's current product and profile become the chosen ones.
    MakeProductCurrent(p.registry, plan.prodName);
    SetAcadProductProfile(p.registry, plan.prodName, plan.profile);
    SavedProfileValues savedValues = GetAcadRegistry(p.registry, plan.prodName, plan.profile,
                                                     IsOn(r.settings.CreateBak), TrustFolders(r, plan));
    if (savedValues.untrusted) {
        RestoreAcadRegistry(p.registry, savedValues);
        return std::string(status::kCompanionNotTrusted);
    }
    const auto copies = MakeCopies(r, plan, fullPath);
    if (!copies) {
        RestoreAcadRegistry(p.registry, savedValues);
        return std::string(status::kNoSafetyCopy);
    }
    const auto savedBefore = p.files.fingerprint(saved);
    const std::string_view wantedCode = plan.saveFormat ? VersionCode(*plan.saveFormat) : std::string_view();
    if (r.options.rowStarted)
        r.options.rowStarted(rowId);
    p.state.setStatus(std::string(kStatusNowRunning) + fullPath);

    PopUpScanContext closer{p.windows, p.files, p.codec, p.clock,
                            r.paths.tempFolder + std::string(kClosedPopUpsLog)};
    ShellWaitPorts wait{
        p.process, p.pump, p.clock, p.prompt, p.state, [&](const std::vector<std::uint32_t>& tree) {
            return CloseAcadPopUps(closer, plan.r15OrLater, fullPath, tree);
        }};
    const ProcessFileRequest request{plan.exePath,
                                     fullPath,
                                     r.paths.scriptBasePath,
                                     r.settings.Timeout,
                                     IsOn(r.settings.RestoreTime),
                                     r.options.minimized ? 2 : 1,
                                     IsOn(r.settings.ClosePopUps)};
    bool verified = false;
    const std::int16_t outcome = ProcessFile(wait, p.files, request, [&](std::int16_t code) {
        verified = code == kOutcomeEnded && SaveVerified(p, saved, savedBefore, wantedCode);
        return verified;
    });
    RestoreAcadRegistry(p.registry, savedValues);
    for (const auto& c : *copies)
        r.copies.finish(c, outcome == kOutcomeEnded && verified);
    return StatusOfOutcome(outcome, verified);
}

enum class RowEnd { Next, Stop };

// Looked for once per dry run without scripts.
bool CompanionPresent(Run& r) {
    if (!r.companionPresent)
        r.companionPresent = !FindCompanion(r.p.files, r.paths.programFolder).empty();
    return *r.companionPresent;
}

// Writes the script and runs AutoCAD, or says why not. Sets report.wouldRun
// in a dry run; returns nullopt when the run cannot go on (companion missing,
// the list cannot be recorded).
std::optional<std::string> ScriptAndRun(Run& r, const RowPlan& plan, const std::string& fullPath,
                                        std::size_t i, std::uint64_t rowId, RowReport& report) {
    RunPorts& p = r.p;
    const std::string scriptBase =
        r.options.dryRun
            ? (r.options.dryRunScripts.empty() ? std::string()
                                               : r.options.dryRunScripts + "\\" + std::to_string(i))
            : r.paths.scriptBasePath;
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
        return std::nullopt;
    }
    if (scripted == ScriptResult::Failed)
        return std::string(status::kScriptDenied);
    if (r.options.dryRun) {
        report.wouldRun = true;
        return std::string();
    }
    if (r.options.beforeDrawing && !r.options.beforeDrawing()) {
        r.result.listNotRecorded = true;
        return std::nullopt;
    }
    return RunAutoCad(r, plan, fullPath, rowId);
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

// Refuses or processes a pending drawing: its status text (empty for a
// drawing a dry run would start); nullopt when the run cannot go on.
std::optional<std::string> HandleDrawing(Run& r, const DrawingFacts& before, const RowPlan& plan,
                                         const std::string& fullPath, std::size_t i, RowReport& report) {
    const RowKeys keys = KeysOf(r.p.files, plan, fullPath);
    std::string text = RefusalOf(r, before, plan, keys, fullPath);
    if (!text.empty())
        return text;
    report.scripted = true;
    auto ran = ScriptAndRun(r, plan, fullPath, i, report.rowId, report);
    if (ran) {
        // Processed at most once in a run, however the list spells it.
        r.handled.insert(keys.drawing);
        r.handled.insert(keys.saved);
        if (keys.saved != keys.drawing)
            r.savedInto.insert(keys.saved);
    }
    return ran;
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

// A row that is not pending is reported and left as it is.
void PassOver(Run& r, const DrawingRow& row, std::size_t i, std::size_t n) {
    const RowReport passed{row.id, i, n, FullPath(row), row.cell(kColStatus), {}, false, true};
    if (r.options.rowDone)
        r.options.rowDone(passed);
}

// Measures, plans and handles one pending row.
RowEnd ProcessRow(Run& r, std::uint64_t rowId, std::size_t& hint, std::size_t i, std::size_t n) {
    RunPorts& p = r.p;
    DrawingRow* row = Lookup(r.list, rowId, hint);
    if (row == nullptr)
        return RowEnd::Next;
    if (!row->isPending()) {
        PassOver(r, *row, i, n);
        return RowEnd::Next;
    }
    const std::string fullPath = FullPath(*row);
    // One look at the file for every cell and check below.
    const DrawingFacts before = ReadDrawingFacts(p.files, fullPath);
    row->cell(kColSizeBefore) = std::to_string(before.sizeKB);
    // A drawing another program holds keeps what was read of it before.
    if (before.readable || !before.exists)
        row->cell(kColDateBefore) = before.dateText;
    const RowPlan plan = PlanRow(r.products, r.settings, r.prodName, r.profile, p.codec, before.version,
                                 fullPath, row->cell(kColFilename));
    p.state.setProductHead(plan.prodName, plan.profile);
    p.state.showActivity(RunningLabel(i, n, p.clock.monotonicMs() - r.startMs));
    if (!p.state.busy()) {
        r.result.stopped = true;
        return RowEnd::Stop;
    }
    RowReport report{rowId, i, n, fullPath, {}, plan, false};
    // Set to Skip by the user while the run went on: measured, not run.
    const bool skip = row->cell(kColStatus) == status::kSkip;
    const auto text =
        skip ? std::optional<std::string>("") : HandleDrawing(r, before, plan, fullPath, i, report);
    if (!text) {
        // Nothing more can run: the row stays pending and the run ends here.
        r.result.stopped = i < n;
        return RowEnd::Stop;
    }
    // AutoCAD's wait pumped messages: the row may have moved or gone.
    row = Lookup(r.list, rowId, hint);
    if (row == nullptr)
        return RowEnd::Next;
    if (!text->empty())
        row->cell(kColStatus) = *text;
    if (!report.wouldRun)
        RecordRow(r, *row, plan, fullPath, before, report.scripted);
    report.status = row->cell(kColStatus);
    if (r.options.rowDone)
        r.options.rowDone(report);
    return RowEnd::Next;
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
        startMs = run.startMs;
        {
            RunScope scope(p, settings, options);
            result.ranRows = true;
            p.state.showActivity(kActivityResetting);
            list.selectAll(false);
            for (std::size_t i = 1; i <= n; ++i) {
                p.pump.pumpOnce();
                std::size_t hint = i - 1;
                if (ProcessRow(run, ids[i - 1], hint, i, n) == RowEnd::Stop)
                    break;
                p.progress.position(static_cast<std::int64_t>(i));
                if (p.state.stopRequested()) {
                    p.state.running(false);
                    result.stopped = i < n;
                }
            }
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
