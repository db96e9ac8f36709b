#include "run/run_engine.h"

#include "acad/current_pointers.h"
#include "acad/host.h"
#include "acad/popup_closer.h"
#include "acad/products.h"
#include "acad/profile_values.h"
#include "acad/releases.h"
#include "core/strings.h"
#include "core/file_facts.h"
#include "drawinglist/version.h"
#include "drawinglist/wholeness.h"
#include "run/process_file.h"
#include "run/shell_wait.h"
#include "script/purge_script.h"

#include <algorithm>
#include <cstdio>
#include <set>

namespace ps {
namespace {

static_assert(static_cast<int>(RowGroup::R12) == static_cast<int>(ReleaseFamily::R12) &&
              static_cast<int>(RowGroup::R18) == static_cast<int>(ReleaseFamily::R18));

// The family of a release group; nullopt for DXF and what is no drawing.
std::optional<ReleaseFamily> FamilyOfGroup(RowGroup g) {
    if (g > RowGroup::R18)
        return std::nullopt;
    return static_cast<ReleaseFamily>(static_cast<int>(g));
}

// Whether a product of the release (a family name "R12" … "R18", or the raw
// key of a release no family holds) cannot save in the format.
bool CannotSave(SaveFormat format, std::string_view app) {
    if (!format.family)
        return false;
    switch (*format.family) {
    case ReleaseFamily::R18:
        return app < "R18";
    case ReleaseFamily::R17:
        return app < "R17";
    case ReleaseFamily::R16:
        return app < "R16";
    case ReleaseFamily::R15:
        return app < "R15";
    case ReleaseFamily::R14:
        return "R15" < app && app < "R17";
    case ReleaseFamily::R13:
        return app > "R15";
    case ReleaseFamily::R12:
        return app > "R14";
    }
    return false;
}

} // namespace

RowGroup GroupOfLabel(std::string_view label) {
    if (label == "2.5" || label == "2.6" || label == "9" || label == "10" || label == "11/12")
        return RowGroup::R12;
    if (label == "13")
        return RowGroup::R13;
    if (label == "14")
        return RowGroup::R14;
    if (label == "2000")
        return RowGroup::R15;
    if (label == "2004")
        return RowGroup::R16;
    if (label == "2007")
        return RowGroup::R17;
    if (label == "2010")
        return RowGroup::R18;
    if (label == "DXF?")
        return RowGroup::Dxf;
    return RowGroup::NotADrawing;
}

std::optional<SaveFormat> SaveFormatOfWord(std::string_view word, RowGroup group) {
    constexpr std::pair<std::string_view, ReleaseFamily> kWords[] = {
        {"AutoCAD R2010 DWG", ReleaseFamily::R18},         {"AutoCAD R2007 DWG", ReleaseFamily::R17},
        {"AutoCAD R2004 DWG", ReleaseFamily::R16},         {"AutoCAD R2000 DWG", ReleaseFamily::R15},
        {"AutoCAD R14/LT98/LT97 DWG", ReleaseFamily::R14}, {"AutoCAD R13/LT95 DWG", ReleaseFamily::R13},
        {"AutoCAD R12/LT2 DWG", ReleaseFamily::R12}};
    for (const auto& [text, family] : kWords)
        if (word == text)
            return SaveFormat{family};
    if (word == "Don't convert format" && FamilyOfGroup(group))
        return SaveFormat{FamilyOfGroup(group)};
    if (word == "Don't save")
        return kNotSaved;
    return std::nullopt;
}

RowPlan PlanRow(const ProductCatalog& products, const Settings& s, std::string_view prodName,
                std::string_view profile, const AnsiCodec& codec, std::string_view label,
                std::string_view fullPath, std::string_view fileName) {
    RowPlan plan;
    const RowGroup group = GroupOfLabel(label);
    plan.prodName = std::string(prodName);
    plan.profile = std::string(profile);
    const auto groupFamily = FamilyOfGroup(group);
    const auto column = groupFamily ? static_cast<std::size_t>(*groupFamily) : 0;
    if (groupFamily && !s.HCA[column].empty()) {
        plan.prodName = s.HCA[column];
        plan.profile = s.HCP[column];
    }
    const ProductEntry product = products.find(plan.prodName);
    plan.exePath = product.exePath;
    plan.productType = product.productType;
    plan.releaseKey = product.releaseKey;
    plan.productKey = product.productKey;
    std::string text = "Skipped"; // neutral: does not start with "Skipped:"
    if (group == RowGroup::NotADrawing)
        text = std::string(status::kNotRecognized);

    // The product's release: a family (later releases count as the newest),
    // or a release this program cannot judge.
    bool unknownRelease = false;
    const auto family = ProductFamily(plan.releaseKey);
    if (family) {
        plan.appRelease = std::string(FamilyName(*family));
        plan.r15OrLater = IsR15OrLater(*family);
    } else {
        plan.appRelease = plan.releaseKey;
        unknownRelease = !plan.releaseKey.empty();
    }

    if (groupFamily) {
        if (unknownRelease || plan.appRelease < FamilyName(*groupFamily))
            text = std::string(status::kCannotOpenVersion);
        plan.saveFormat = SaveFormatOfWord(s.R[column], group);
        if (!plan.saveFormat)
            text = std::string(status::kUnknownSaveFormatPrefix) + std::string(FamilyName(*groupFamily));
    } else if (group == RowGroup::Dxf) {
        if (unknownRelease)
            text = std::string(status::kCannotOpenVersion);
        if (family)
            plan.saveFormat = SaveFormat{family};
    }
    if (plan.saveFormat == kNotSaved)
        text = std::string(status::kDontSaveSelected);
    else if (plan.saveFormat && CannotSave(*plan.saveFormat, plan.appRelease))
        text = std::string(status::kCannotSaveVersion);

    const bool toFolder = IsOn(s.bSaveToFolder) && !s.sSaveToFolder.empty();
    plan.targetPath = toFolder ? s.sSaveToFolder + "\\" + std::string(fileName) : std::string(fullPath);
    if (!StartsWith(text, "Skipped:") && Contains(fullPath, ";"))
        text = std::string(status::kNameHoldsSemicolon);
    if (!StartsWith(text, "Skipped:") && (!codec.toAnsi(fullPath) || !codec.toAnsi(plan.targetPath)))
        text = std::string(status::kNameNotScriptable);

    // AutoCAD writes over the drawing itself when the target is the drawing,
    // and AutoCAD LT does so for any conversion (it saves under the open
    // drawing's own name), so it cannot convert into another folder.
    const bool conversion = plan.saveFormat != NativeSaveFormat(plan.releaseKey);
    const bool ltConversion =
        plan.productType == kProductTypeAutoCadLt && conversion && ToLower(FileExtension(fullPath)) == "dwg";
    plan.inPlace = EqualsNoCase(SavedDrawingPath(plan.targetPath), fullPath) || ltConversion;
    if (!StartsWith(text, "Skipped:") && ltConversion && toFolder)
        text = std::string(status::kLtCannotConvertIntoFolder);
    plan.status = StartsWith(text, "Skipped:") ? text : std::string();
    return plan;
}

std::string FormatThousands(std::int64_t value) {
    const bool negative = value < 0;
    std::string digits = std::to_string(negative ? -value : value);
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ' ';
        out += digits[i];
    }
    return negative ? "-" + out : out;
}

std::string FormatElapsed(std::uint64_t ms) {
    const std::uint64_t seconds = ms / 1000;
    char text[48];
    std::snprintf(text, sizeof text, "%02llu:%02llu:%02llu", static_cast<unsigned long long>(seconds / 3600),
                  static_cast<unsigned long long>(seconds / 60 % 60),
                  static_cast<unsigned long long>(seconds % 60));
    return text;
}

std::int64_t CellNumber(std::string_view cell) {
    cell = TrimBlanks(cell);
    bool negative = false;
    if (!cell.empty() && (cell.front() == '-' || cell.front() == '+')) {
        negative = cell.front() == '-';
        cell.remove_prefix(1);
    }
    std::int64_t n = 0;
    for (char c : cell) {
        if (c < '0' || c > '9' || n > (std::int64_t{1} << 55))
            break;
        n = n * 10 + (c - '0');
    }
    return negative ? -n : n;
}

namespace {

// A file AutoCAD may write over, copied first into the safety folder with a
// ".path" file naming the original, and put back unless the save is verified.
struct SafetyCopy {
    std::string copy;
    std::string marker;
    std::string original;
    FileFingerprint fingerprint;
};

std::optional<SafetyCopy> MakeSafetyCopy(RunPorts& p, const RunPaths& paths, const std::string& original) {
    static unsigned counter = 0;
    const std::string base =
        paths.safetyFolder + "\\" + std::to_string(p.clock.nowFileTime()) + "-" + std::to_string(++counter);
    SafetyCopy s{base + ".copy", base + ".path", original, {}};
    const auto fingerprint = p.files.fingerprint(original);
    if (!fingerprint || !p.files.createFolder(paths.safetyFolder) || !p.files.copyFile(original, s.copy) ||
        p.files.fingerprint(s.copy) != fingerprint || !p.files.writeFile(s.marker, original)) {
        p.files.deleteFile(s.copy, true);
        return std::nullopt;
    }
    s.fingerprint = *fingerprint;
    return s;
}

void FinishSafetyCopy(RunPorts& p, const SafetyCopy& s, bool keepNew) {
    bool keepCopy = false;
    if (!keepNew && p.files.fingerprint(s.original) != s.fingerprint) {
        // AutoCAD was stopped or saved nothing usable: the file goes back to
        // what it was before the run.
        keepCopy = !p.files.copyFile(s.copy, s.original) || p.files.fingerprint(s.original) != s.fingerprint;
    }
    if (!keepCopy) {
        p.files.deleteFile(s.copy, true);
        p.files.deleteFile(s.marker, true);
    }
}

std::string RunningLabel(std::size_t i, std::size_t n, std::uint64_t elapsedMs) {
    return std::string(kActivityScriptRunning) + "\r\nNow running file:\r\n" + std::to_string(i) + " of " +
           std::to_string(n) + "\r\nAccumulated time: \r\n" + FormatElapsed(elapsedMs);
}

void Totals(RunPorts& p, const DrawingList& list, std::optional<std::uint64_t> startMs, RunResult& result) {
    p.state.showActivity(kActivityCalculating);
    std::int64_t before = 0;
    std::int64_t after = 0;
    std::int64_t ok = 0;
    for (const auto& row : list) {
        if (row.cell(kColStatus) == status::kOk)
            ++ok;
        before += CellNumber(row.cell(kColSizeBefore));
        after += CellNumber(row.cell(kColSizeAfter));
    }
    std::string text = "\r\n\r\nTotal size before: \r\n" + FormatThousands(before) +
                       " KB\r\nTotal size after: \r\n" + FormatThousands(after) + " KB\r\nTotal files: \r\n" +
                       FormatThousands(static_cast<std::int64_t>(list.size())) + "\r\nTotal files OK: \r\n" +
                       FormatThousands(ok);
    if (startMs)
        text += "\r\nAccumulated time: \r\n" + FormatElapsed(p.clock.monotonicMs() - *startMs);
    p.state.showHead();
    result.totals = p.state.head() + text;
    p.state.showActivity(text.substr(4)); // the head, an empty line, then the totals
}

// One run over the list: what stays the same from row to row.
struct Run {
    RunPorts& p;
    const Settings& settings;
    DrawingList& list;
    const RunPaths& paths;
    const RunOptions& options;
    RunResult& result;
    ProductCatalog products;
    std::string startProduct;
    std::string startProfile;
    std::uint64_t startMs = 0;
    // The general product and profile as last read from the store: read
    // again after every drawing AutoCAD worked on (the window pumped
    // messages meanwhile), not for every refused row.
    std::optional<std::pair<std::string, std::string>> general;
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

// Starts AutoCAD on a drawing whose plan allows it and says what became of it.
std::string RunAutoCad(Run& r, const RowPlan& plan, const std::string& fullPath, std::uint64_t rowId) {
    RunPorts& p = r.p;
    const std::string saved = SavedDrawingPath(plan.targetPath);
    // Every file AutoCAD may write over gets a copy first: the drawing itself
    // (saved in place) or a file already at the place of the save.
    std::vector<SafetyCopy> copies;
    for (const std::string& file : {fullPath, saved}) {
        const bool exposed = file == fullPath ? plan.inPlace : !EqualsNoCase(saved, fullPath);
        if (!exposed || !FileExists(p.files, file) ||
            std::any_of(copies.begin(), copies.end(),
                        [&](const SafetyCopy& c) { return c.original == file; }))
            continue;
        auto copy = MakeSafetyCopy(p, r.paths, file);
        if (!copy) {
            for (const auto& c : copies)
                FinishSafetyCopy(p, c, true);
            return std::string(status::kNoSafetyCopy);
        }
        copies.push_back(std::move(*copy));
    }
    const auto savedBefore = p.files.fingerprint(saved);
    const std::string_view wantedCode = plan.saveFormat ? VersionCode(*plan.saveFormat) : std::string_view();

    // AutoCAD's current product and profile become the chosen ones.
    MakeProductCurrent(p.registry, plan.prodName);
    SetAcadProductProfile(p.registry, plan.prodName, plan.profile);
    SavedProfileValues savedValues =
        GetAcadRegistry(p.registry, plan.prodName, plan.profile, IsOn(r.settings.CreateBak));
    if (r.options.rowStarted)
        r.options.rowStarted(rowId);
    p.state.setStatus(std::string(kStatusNowRunning) + fullPath);

    PopUpScanContext closer{p.windows, p.files, p.codec, p.clock,
                            r.paths.tempFolder + std::string(kClosedPopUpsLog)};
    ShellWaitPorts wait{
        p.process, p.pump, p.clock, p.prompt, p.state, [&](const std::vector<std::uint32_t>& tree) {
            return CloseAcadPopUps(closer, plan.r15OrLater, fullPath, tree);
        }};
    ProcessFileRequest request{plan.exePath,
                               fullPath,
                               r.paths.scriptBasePath,
                               r.settings.Timeout,
                               IsOn(r.settings.RestoreTime),
                               r.options.minimized ? 2 : 1,
                               IsOn(r.settings.ClosePopUps)};
    bool verified = false;
    const std::int16_t outcome = ProcessFile(wait, p.files, request, [&](std::int16_t code) {
        // A crash (an exception code) may have left a half-written file.
        const auto exit = p.process.lastExitCode();
        if (code != kOutcomeEnded || (exit && *exit >= 0xC0000000u))
            return false;
        const auto after = p.files.fingerprint(saved);
        const auto head = p.files.readPrefix(saved, 6);
        // A save cut short (a full disk) still starts with the right code.
        verified = after && after != savedBefore && head && !wantedCode.empty() && *head == wantedCode &&
                   SavedDrawingWholeness(p.files, saved) != Wholeness::Cut;
        return verified;
    });
    RestoreAcadRegistry(p.registry, savedValues);
    for (const auto& c : copies)
        FinishSafetyCopy(p, c, outcome == kOutcomeEnded && verified);
    if (outcome == kOutcomeNotStarted)
        return std::string(status::kNotStarted);
    if (outcome == kOutcomeTimeout)
        return std::string(status::kTimeouted);
    if (outcome >= kOutcomeUserStop)
        return std::string(status::kTerminated);
    return std::string(verified ? status::kOk : status::kNotSaved);
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
    r.general.reset();
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

// Measures, plans and handles one pending row.
RowEnd ProcessRow(Run& r, std::uint64_t rowId, std::size_t& hint, std::size_t i, std::size_t n) {
    RunPorts& p = r.p;
    DrawingRow* row = Lookup(r.list, rowId, hint);
    if (row == nullptr)
        return RowEnd::Next;
    if (!row->isPending()) {
        RowReport passed{rowId, i, n, FullPath(*row), row->cell(kColStatus), {}, false, true};
        if (r.options.rowDone)
            r.options.rowDone(passed);
        return RowEnd::Next;
    }
    if (!r.general)
        r.general.emplace(p.store.GetSetting(kSettingsApp, kSettingsSection, "ProdName", r.startProduct),
                          p.store.GetSetting(kSettingsApp, kSettingsSection, "Profile", r.startProfile));
    const auto [prodName, profile] = *r.general;
    const std::string fullPath = FullPath(*row);
    const std::string fileName = row->cell(kColFilename);
    // One look at the file for every cell and check below.
    const DrawingFacts before = ReadDrawingFacts(p.files, fullPath);
    row->cell(kColSizeBefore) = std::to_string(before.sizeKB);
    // A drawing another program holds keeps what was read of it before.
    if (before.readable || !before.exists)
        row->cell(kColDateBefore) = before.dateText;
    const RowPlan plan =
        PlanRow(r.products, r.settings, prodName, profile, p.codec, before.version, fullPath, fileName);

    p.state.setProductHead(plan.prodName, plan.profile);
    p.state.showActivity(RunningLabel(i, n, p.clock.monotonicMs() - r.startMs));
    if (!p.state.busy()) {
        r.result.stopped = true;
        return RowEnd::Stop;
    }
    RowReport report{rowId, i, n, fullPath, {}, plan, false};
    std::string text;
    bool autoCadMayHaveRun = false;
    if (row->cell(kColStatus) == status::kSkip) {
        // Set to Skip by the user while the run went on: measured, not run.
    } else {
        const RowKeys keys = KeysOf(p.files, plan, fullPath);
        text = RefusalOf(r, before, plan, keys, fullPath);
        if (text.empty()) {
            autoCadMayHaveRun = true;
            const auto ran = ScriptAndRun(r, plan, fullPath, i, rowId, report);
            if (!ran) {
                // Nothing more can run: the row stays pending and the run ends here.
                r.result.stopped = i < n;
                return RowEnd::Stop;
            }
            text = *ran;
            // Processed at most once in a run, however the list spells it.
            r.handled.insert(keys.drawing);
            r.handled.insert(keys.saved);
            if (keys.saved != keys.drawing)
                r.savedInto.insert(keys.saved);
        }
    }
    // AutoCAD's wait pumped messages: the row may have moved or gone.
    row = Lookup(r.list, rowId, hint);
    if (row == nullptr)
        return RowEnd::Next;
    if (!text.empty())
        row->cell(kColStatus) = text;
    if (!report.wouldRun) {
        // A refused drawing is as it was a moment ago.
        const DrawingFacts after = autoCadMayHaveRun ? ReadDrawingFacts(p.files, fullPath) : before;
        // What cannot be read of a held drawing stays as last known.
        const bool known = after.readable || !after.exists;
        if (known)
            row->cell(kColVersion) = after.version;
        const bool ok = row->cell(kColStatus) == status::kOk;
        row->cell(kColSizeAfter) = std::to_string(ok && !EqualsNoCase(plan.targetPath, fullPath)
                                                      ? FileSizeKB(p.files, plan.targetPath)
                                                      : after.sizeKB);
        if (known)
            row->cell(kColDateAfter) = after.dateText;
        if (IsOn(r.settings.DeleteBak) && !r.options.dryRun)
            p.files.deleteFile(FileBaseName(fullPath, true) + ".bak");
        ++r.result.processed;
        const std::string& st = row->cell(kColStatus);
        if (IsFailure(st))
            ++r.result.failures;
    }
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

std::vector<std::pair<std::string, std::string>> LeftoverSafetyCopies(const FileSystem& files,
                                                                      std::string_view safetyFolder) {
    std::vector<std::pair<std::string, std::string>> copies;
    const auto entries = files.listDirectory(std::string(safetyFolder) + "\\", "*.copy");
    if (!entries)
        return copies;
    for (const auto& e : *entries) {
        const std::string copy = std::string(safetyFolder) + "\\" + e.name;
        const auto original = files.readFile(copy.substr(0, copy.size() - 5) + ".path");
        copies.emplace_back(copy, original.value_or(""));
    }
    return copies;
}

RunResult runScript(RunPorts& p, const Settings& settings, DrawingList& list, const RunPaths& paths,
                    const RunOptions& options) {
    RunResult result;
    const std::size_t n = list.size();
    p.progress.start(static_cast<std::int64_t>(n));
    if (n == 0)
        p.prompt.inform("No drawings in the list.", kPromptTitle);
    p.state.clearStop();
    std::optional<std::uint64_t> startMs;

    if (n > 0 && !p.state.busy()) {
        // The rows of this run, by identity: the list may change under it.
        std::vector<std::uint64_t> ids;
        ids.reserve(n);
        for (const auto& row : list)
            ids.push_back(row.id);
        // The defaults for ProdName and Profile are AutoCAD's current product
        // and profile as the run found them.
        Run run{p,
                settings,
                list,
                paths,
                options,
                result,
                ProductCatalog::Read(p.registry),
                AcadCurrentProductName(p.registry),
                AcadCurrentProfile(p.registry),
                p.clock.monotonicMs(),
                {},
                {},
                {},
                {}};
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
    Totals(p, list, startMs, result);
    p.progress.end();
    return result;
}

} // namespace ps
