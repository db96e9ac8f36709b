#include "run/run_jobs.h"

#include "acad/current_pointers.h"
#include "acad/host.h"
#include "acad/products.h"
#include "core/strings.h"
#include "drawinglist/version.h"
#include "drawinglist/wholeness.h"
#include "run/run_texts.h"
#include "script/purge_script.h"

#include <algorithm>
#include <cctype>

namespace ps::engine {
namespace {

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

bool ScriptRecordsFacts(const RowPlan& plan) {
    return ScriptRecordsCleaning(plan.productType, plan.releaseKey, plan.r15OrLater);
}

std::string StatusOfOutcome(std::int16_t outcome, bool verified) {
    if (outcome == kOutcomeNotStarted)
        return std::string(status::kNotStarted);
    if (outcome == kOutcomeTimeout)
        return std::string(status::kTimeouted);
    if (outcome == kOutcomeLicence)
        return std::string(status::kLicencePrompt);
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

// Logs a killed run's AutoCAD left where AutoCAD writes them (their run
// never took them) go once a day old: no drawing's AutoCAD writes that long,
// and a log another run's AutoCAD is writing now is never that old.
void SweepStagedLogs(FileSystem& files, const std::string& folder, FileTime now) {
    constexpr FileTime kDay = 24ULL * 3600 * 10'000'000;
    for (const auto& e : files.listDirectory(folder + "\\", "*.log").value_or(std::vector<DirEntry>{}))
        if ((e.attributes & kAttrDirectory) == 0 && e.times.modified + kDay < now)
            files.deleteFile(folder + "\\" + e.name);
}

// AutoCAD's current product and profile become the chosen ones and the
// profile values are set, shared with the other runs at work: Busy when
// another run needs the product with other values, Untrusted when AutoCAD
// would not load the companion application from where it lies, Locked (with
// the folder it would not load from) when the profile locks its trusted paths.
ProfileJoin JoinSession(Run& r, const RowPlan& plan) {
    ProfileSession& s = r.session;
    if (s.users > 0) {
        ++s.users;
        return {ProfileJoin::Result::Joined, {}};
    }
    // AutoCAD writes each drawing's command history there when the run keeps transcripts.
    const std::string logFolder = r.paths.transcriptsFolder.empty() ? std::string() : r.paths.logFolder;
    if (!logFolder.empty()) {
        r.p.files.createFolder(logFolder);
        SweepStagedLogs(r.p.files, logFolder, r.p.clock.nowFileTime());
    }
    ProfileJoin join = JoinProfileValues(r.p.registry, r.p.runs, plan.prodName, plan.profile,
                                         IsOn(r.settings.CreateBak), TrustFolders(r, plan), logFolder);
    if (join.result != ProfileJoin::Result::Joined)
        return join;
    s.saved = std::move(join.saved);
    s.prodName = plan.prodName;
    s.profile = plan.profile;
    s.users = 1;
    return {ProfileJoin::Result::Joined, {}};
}

void LeaveSession(Run& r) {
    if (r.session.users > 0 && --r.session.users == 0)
        LeaveProfileValues(r.p.registry, r.p.runs, r.session.saved);
}

// The drawing's log in the folder AutoCAD writes logs to: the one the
// companion named, else the newest whose name starts with the drawing's and
// that was written since its AutoCAD started (not one an earlier run left).
std::string StagedLogOf(const Run& r, const Job& job, const std::string& named) {
    const FileSystem& files = r.p.files;
    if (!named.empty() && FileExists(files, named))
        return named;
    const std::string base = ToLower(FileBaseName(job.report.fullPath, false));
    const auto entries = files.listDirectory(r.paths.logFolder, "*.log");
    std::string newest;
    FileTime newestTime{};
    // A file time's clock may run a little behind the start: two seconds of slack.
    const FileTime since = job.startedFileTime > 20000000 ? job.startedFileTime - 20000000 : 0;
    // The drawing's own name, not one that merely starts alike ("a" is not "apple").
    const auto ofDrawing = [&base](const std::string& name) {
        const std::string lower = ToLower(name);
        return lower.starts_with(base) && lower.size() > base.size() &&
               !std::isalnum(static_cast<unsigned char>(lower[base.size()]));
    };
    for (const auto& e : entries.value_or(std::vector<DirEntry>{}))
        if (ofDrawing(e.name) && e.times.modified >= since &&
            (newest.empty() || e.times.modified > newestTime)) {
            newest = r.paths.logFolder + "\\" + e.name;
            newestTime = e.times.modified;
        }
    return newest;
}

// AutoCAD's transcript of the drawing goes from where AutoCAD wrote it into
// the run's transcripts folder, as "<row>-<file name>.log": its own even for
// drawings of one name processed at once. A failure keeps its last lines.
void KeepTranscript(Run& r, Job& job, const std::string& named, bool failed) {
    if (r.paths.transcriptsFolder.empty())
        return;
    FileSystem& files = r.p.files;
    const std::string staged = StagedLogOf(r, job, named);
    auto text = staged.empty() ? std::nullopt : files.readFile(staged);
    if (!text)
        return;
    // Kept in the code page AutoCAD's log files use, whatever the output was written in.
    if (LooksLikeUtf16Le(*text))
        text = r.p.codec.toAnsiLossy(Utf16LeToUtf8(*text));
    std::string row = std::to_string(job.report.row);
    row.insert(0, row.size() < 4 ? 4 - row.size() : 0, '0');
    const std::string& full = job.report.fullPath;
    const std::string kept =
        r.paths.transcriptsFolder + "\\" + row + "-" + full.substr(full.find_last_of("\\:") + 1) + ".log";
    files.createFolder(r.paths.transcriptsFolder);
    if (!files.writeFile(kept, *text))
        return;
    files.deleteFile(staged);
    job.report.logPath = kept;
    if (failed) {
        std::size_t at = text->size();
        for (int lines = 0; lines < 16 && at > 0; ++lines) {
            const std::size_t newline = text->rfind('\n', at - 1);
            at = newline == std::string::npos ? 0 : newline;
        }
        job.report.logTail = r.p.codec.fromAnsi(std::string_view(*text).substr(at == 0 ? 0 : at + 1));
    }
}

// AutoCAD has gone from a drawing: what it saved is checked, and the
// drawing's dates and lock, AutoCAD's settings and the safety copies are put
// right. Returns the row's status.
std::string FinishJob(Run& r, Job& job) {
    RunPorts& p = r.p;
    const std::int16_t outcome = job.watch->outcome();
    const std::string saved = SavedDrawingPath(job.report.plan.targetPath);
    bool verified = outcome == kOutcomeEnded &&
                    SaveVerified(p.files, *job.runner, saved, job.savedBefore, job.wantedCode);
    // A save without the companion's whole record is a save of a drawing
    // the cleaning never reached (not loaded, the script stopped half-way):
    // not "OK", and the original is put back.
    bool cleaningRan = true;
    std::string namedLog;
    if (ScriptRecordsFacts(job.report.plan)) {
        const std::string factsPath = CleaningRecordPath(ScriptBaseOf(r, job.slot));
        const auto text = p.files.readFile(factsPath);
        auto facts = text ? ParseCleaningFacts(p.codec.fromAnsi(*text)) : std::nullopt;
        p.files.deleteFile(factsPath);
        if (facts)
            namedLog = facts->log;
        if (verified) {
            job.report.facts = std::move(facts);
            cleaningRan = job.report.facts.has_value();
            verified = cleaningRan;
        }
    }
    job.drawing->finish(outcome, verified);
    job.report.seconds = static_cast<double>(p.clock.monotonicMs() - job.startedMs) / 1000.0;
    LeaveSession(r);
    for (const auto& c : job.copies)
        r.copies.finish(c, outcome == kOutcomeEnded && verified);
    r.claims.release(job.claim);
    const std::string status =
        cleaningRan ? StatusOfOutcome(outcome, verified) : std::string(status::kCleaningNotRun);
    // The console engine's output says what its log file says, and more.
    if (!job.consoleOutput.empty() && FileExists(p.files, job.consoleOutput)) {
        if (!namedLog.empty())
            p.files.deleteFile(namedLog);
        namedLog = job.consoleOutput;
    }
    KeepTranscript(r, job, namedLog, IsFailure(status));
    return status;
}

} // namespace

bool OtherSession(const Run& r, const RowPlan& plan) {
    return r.session.users > 0 && (!EqualsNoCase(plan.prodName, r.session.prodName) ||
                                   !EqualsNoCase(plan.profile, r.session.profile));
}

std::string ConsoleEngineOf(const Run& r, const RowPlan& plan) {
    if (!IsOn(r.settings.UseConsole) || plan.productType != kProductTypeAutoCad || !plan.productFamily ||
        *plan.productFamily < ReleaseFamily::R19)
        return {};
    std::string console = ConsoleEnginePath(plan.exePath);
    return FileExists(r.p.files, console) ? console : std::string();
}

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

std::optional<std::size_t> FreeSlot(const Run& r) {
    for (std::size_t slot = 0; slot < r.slots; ++slot)
        if (std::none_of(r.jobs.begin(), r.jobs.end(), [&](const auto& j) { return j->slot == slot; }))
            return slot;
    return std::nullopt;
}

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

Started StartAutoCad(Run& r, Job& job) {
    RunPorts& p = r.p;
    const RowPlan& plan = job.report.plan;
    const ProfileJoin join = JoinSession(r, plan);
    switch (join.result) {
    case ProfileJoin::Result::Busy:
        return {true, {}, {}};
    case ProfileJoin::Result::Untrusted:
        return {false, std::string(status::kCompanionNotTrusted), {}};
    case ProfileJoin::Result::Locked:
        // Every drawing of the product would fail alike.
        return {false, {}, TrustLockedMessage(plan.prodName, join.saved.lockedOut)};
    case ProfileJoin::Result::Joined:
        break;
    }
    auto copies = MakeCopies(r, plan, job.report.fullPath);
    if (!copies) {
        LeaveSession(r);
        return {false, std::string(status::kNoSafetyCopy), {}};
    }
    job.copies = std::move(*copies);
    job.savedBefore = p.files.fingerprint(SavedDrawingPath(plan.targetPath));
    // A record left by an earlier drawing in this slot must not count for this one.
    if (ScriptRecordsFacts(plan))
        p.files.deleteFile(CleaningRecordPath(ScriptBaseOf(r, job.slot)));
    job.wantedCode = plan.saveFormat ? VersionCode(*plan.saveFormat) : std::string_view();
    if (r.options.rowStarted)
        r.options.rowStarted(job.report.rowId);
    ProcessFileRequest request{plan.exePath,
                               job.report.fullPath,
                               ScriptBaseOf(r, job.slot),
                               r.settings.Timeout,
                               IsOn(r.settings.RestoreTime),
                               r.options.minimized ? 2 : 1,
                               IsOn(r.settings.ClosePopUps),
                               {},
                               {},
                               {}};
    if (!job.console.empty()) {
        // No window and no dialogs: nothing to show, nothing to close.
        request.windowStyle = 3;
        request.closePopUps = false;
        request.consolePath = job.console;
        request.profile = plan.profile;
        request.language = std::string(ProductLanguage(plan.productKey));
    }
    job.drawing.emplace(p.files, request);
    // The console engine has no windows to look at.
    PopUpScan scan;
    if (job.console.empty())
        scan = [&job](const ProcessFilter& ours) {
            return CloseAcadPopUps(job.closer, job.report.plan.r15OrLater, job.report.fullPath, ours);
        };
    job.watch.emplace(*job.runner, p.clock, std::move(scan), request.timeoutSeconds, request.closePopUps);
    // The console engine's words are its output: they go beside the run's script.
    if (!job.console.empty() && !r.paths.transcriptsFolder.empty()) {
        job.consoleOutput = ScriptBaseOf(r, job.slot) + ".out";
        job.runner->sendOutputTo(job.consoleOutput);
    }
    job.startedMs = p.clock.monotonicMs();
    job.startedFileTime = p.clock.nowFileTime();
    job.stage = job.watch->start(job.drawing->commandLine(), request.windowStyle) ? Job::Stage::Running
                                                                                  : Job::Stage::Gone;
    return {};
}

bool WatchJobs(Run& r, const std::function<void(Job& job, const std::string& status)>& ended) {
    bool finished = false;
    // One drawing at a time looks at the desktop at every pass, as ever;
    // several look at most every kLookEveryMs (a pass also comes with every
    // process that ends), one look for all of them.
    const std::uint64_t now = r.p.clock.monotonicMs();
    const bool look = r.slots == 1 || !r.lookedAtMs || now - *r.lookedAtMs >= kLookEveryMs;
    if (look) {
        r.look.newLook();
        r.lookedAtMs = now;
    }
    for (auto it = r.jobs.begin(); it != r.jobs.end();) {
        Job& job = **it;
        if (job.stage == Job::Stage::Running && job.watch->pass(look))
            job.stage = Job::Stage::Settled;
        if (job.stage == Job::Stage::Settled) {
            job.watch->end();
            job.stage = Job::Stage::Ending;
        }
        if (job.stage == Job::Stage::Gone || (job.stage == Job::Stage::Ending && job.watch->gone())) {
            ended(job, FinishJob(r, job));
            it = r.jobs.erase(it);
            finished = true;
            continue;
        }
        ++it;
    }
    return finished;
}

void AskAboutStop(Run& r) {
    if (!r.p.state.stopRequested() || r.stopAsked ||
        std::none_of(r.jobs.begin(), r.jobs.end(),
                     [](const auto& j) { return j->stage == Job::Stage::Running; }))
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

} // namespace ps::engine
