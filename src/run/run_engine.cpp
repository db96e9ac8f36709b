#include "run/run_engine.h"

#include "acad/host.h"
#include "acad/popup_closer.h"
#include "acad/products.h"
#include "acad/profile_values.h"
#include "acad/releases.h"
#include "core/strings.h"
#include "drawinglist/file_facts.h"
#include "drawinglist/version.h"
#include "run/process_file.h"
#include "run/shell_wait.h"
#include "script/purge_script.h"

#include <cctype>
#include <cstdio>

namespace ps {
namespace {

constexpr std::string_view kGroupCodes[] = {"R12", "R13", "R14", "R15", "R16", "R17", "R18"};

int GroupIndex(RowGroup g) {
    return static_cast<int>(g);
}
bool IsReleaseGroup(RowGroup g) {
    return g <= RowGroup::R18;
}

// The number of a release key: the digits after "R" before any ".".
std::optional<int> ReleaseNumber(std::string_view key) {
    if (key.size() < 2 || (key[0] != 'R' && key[0] != 'r'))
        return std::nullopt;
    int n = 0;
    std::size_t i = 1;
    for (; i < key.size() && key[i] != '.'; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(key[i])) || n > 1000)
            return std::nullopt;
        n = n * 10 + (key[i] - '0');
    }
    return i > 1 ? std::optional<int>(n) : std::nullopt;
}

std::string NativeFormatOfRelease(std::string_view appRelease) {
    for (std::size_t i = 0; i < std::size(kGroupCodes); ++i)
        if (appRelease == kGroupCodes[i])
            return std::string(kSaveAsFormats[i]);
    return {};
}

bool CannotSave(std::string_view format, std::string_view app) {
    if (format == "_2010")
        return app < "R18";
    if (format == "_2007")
        return app < "R17";
    if (format == "_2004")
        return app < "R16";
    if (format == "_2000")
        return app < "R15";
    if (format == "_r14")
        return "R15" < app && app < "R17";
    if (format == "_r13")
        return app > "R15";
    if (format == "_r12")
        return app > "R14";
    return false;
}

std::string SavedPath(std::string_view targetPath) {
    if (ToLower(FileExtension(targetPath)) == "dwg")
        return std::string(targetPath);
    return FileBaseName(targetPath, true) + ".dwg";
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

std::optional<std::string> SaveFormatOfWord(std::string_view word, RowGroup group) {
    if (word == "AutoCAD R2010 DWG")
        return "_2010";
    if (word == "AutoCAD R2007 DWG")
        return "_2007";
    if (word == "AutoCAD R2004 DWG")
        return "_2004";
    if (word == "AutoCAD R2000 DWG")
        return "_2000";
    if (word == "AutoCAD R14/LT98/LT97 DWG")
        return "_r14";
    if (word == "AutoCAD R13/LT95 DWG")
        return "_r13";
    if (word == "AutoCAD R12/LT2 DWG")
        return "_r12";
    if (word == "Don't convert format" && IsReleaseGroup(group))
        return std::string(kSaveAsFormats[GroupIndex(group)]);
    if (word == "Don't save")
        return "NO_SAVE";
    return std::nullopt;
}

RowPlan PlanRow(const Registry& reg, const Settings& s, const AnsiCodec& codec, std::string_view label,
                std::string_view fullPath, std::string_view fileName) {
    RowPlan plan;
    const RowGroup group = GroupOfLabel(label);
    plan.prodName = s.ProdName;
    plan.profile = s.Profile;
    if (IsReleaseGroup(group) && !s.HCA[GroupIndex(group)].empty()) {
        plan.prodName = s.HCA[GroupIndex(group)];
        plan.profile = s.HCP[GroupIndex(group)];
    }
    plan.exePath = AcadExePath(reg, plan.prodName);
    plan.productType = AcadProductType(reg, plan.prodName);
    plan.releaseKey = AcadReleaseKey(reg, plan.prodName);
    plan.productKey = AcadProductKey(reg, plan.prodName);
    std::string text = "Skipped"; // neutral: does not start with "Skipped:"
    if (group == RowGroup::NotADrawing)
        text = std::string(status::kNotRecognized);

    // The product's release: a family of the table, a later release taken
    // for the newest family, or a release this program cannot judge.
    bool unknownRelease = false;
    if (const auto family = FamilyOfReleaseKey(plan.releaseKey)) {
        plan.appRelease = std::string(FamilyName(*family));
        plan.r15OrLater = IsR15OrLater(*family);
    } else if (const auto number = ReleaseNumber(plan.releaseKey); number && *number >= 19) {
        plan.appRelease = "R18";
        plan.r15OrLater = true;
    } else {
        plan.appRelease = plan.releaseKey;
        unknownRelease = !plan.releaseKey.empty();
    }

    if (IsReleaseGroup(group)) {
        if (unknownRelease || plan.appRelease < kGroupCodes[GroupIndex(group)])
            text = std::string(status::kCannotOpenVersion);
        const auto format = SaveFormatOfWord(s.R[GroupIndex(group)], group);
        if (format)
            plan.saveFormat = *format;
        else
            text =
                std::string(status::kUnknownSaveFormatPrefix) + std::string(kGroupCodes[GroupIndex(group)]);
    } else if (group == RowGroup::Dxf) {
        if (unknownRelease)
            text = std::string(status::kCannotOpenVersion);
        plan.saveFormat = NativeFormatOfRelease(plan.appRelease);
    }
    if (plan.saveFormat == "NO_SAVE") {
        text = std::string(status::kDontSaveSelected);
        plan.saveFormat = "no";
    } else if (CannotSave(plan.saveFormat, plan.appRelease)) {
        text = std::string(status::kCannotSaveVersion);
    }

    plan.targetPath = IsOn(s.bSaveToFolder) && !s.sSaveToFolder.empty()
                          ? s.sSaveToFolder + "\\" + std::string(fileName)
                          : std::string(fullPath);
    if (!StartsWith(text, "Skipped:") &&
        (!codec.toAnsi(fullPath) || !codec.toAnsi(plan.targetPath) || Contains(fileName, ";")))
        text = std::string(status::kNameNotScriptable);

    // AutoCAD writes over the drawing itself when the target is the drawing,
    // and AutoCAD LT does so for any conversion (it saves under the open
    // drawing's own name).
    const bool conversion = plan.saveFormat != NativeSaveFormat(plan.releaseKey).value_or("");
    plan.inPlace = EqualsNoCase(SavedPath(plan.targetPath), fullPath) ||
                   (plan.productType == kProductTypeAutoCadLt && conversion &&
                    ToLower(FileExtension(fullPath)) == "dwg");
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

struct SafetyCopy {
    std::string copy;
    std::string marker;
    std::string original;
    FileFingerprint fingerprint;
};

std::optional<SafetyCopy> MakeSafetyCopy(RunPorts& p, const RunPaths& paths, const std::string& original) {
    if (!FileExists(p.files, original))
        return std::nullopt;
    static unsigned counter = 0;
    const std::string base =
        paths.safetyFolder + "\\" + std::to_string(p.clock.nowFileTime()) + "-" + std::to_string(++counter);
    SafetyCopy s{base + ".copy", base + ".path", original, {}};
    const auto fingerprint = p.files.fingerprint(original);
    if (!fingerprint || !p.files.createFolder(paths.safetyFolder) || !p.files.copyFile(original, s.copy) ||
        p.files.fingerprint(s.copy) != fingerprint || !p.files.writeFile(s.marker, original))
        return std::nullopt;
    s.fingerprint = *fingerprint;
    return s;
}

void FinishSafetyCopy(RunPorts& p, const SafetyCopy& s, bool keepNew) {
    bool keepCopy = false;
    if (!keepNew && p.files.fingerprint(s.original) != s.fingerprint) {
        // AutoCAD was stopped or saved nothing usable: the drawing goes back to
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

RunResult runScript(RunPorts& p, Settings& settings, DrawingList& list, const RunPaths& paths,
                    const RunOptions& options) {
    RunResult result;
    const std::size_t n = list.size();
    p.progress.start(static_cast<std::int64_t>(n));
    if (n == 0)
        p.prompt.inform("No drawings in the list.", kPromptTitle);
    p.state.clearStop();
    std::optional<std::uint64_t> startMs;

    if (n > 0 && !p.state.busy()) {
        // The defaults for ProdName and Profile are AutoCAD's current product
        // and profile as the run found them; the run makes each drawing's
        // product current and puts these back at its end.
        const std::string startProduct = AcadCurrentProductName(p.registry);
        const std::string startProfile = AcadCurrentProfile(p.registry);
        bool changedCurrent = false;
        p.state.running(true);
        startMs = p.clock.monotonicMs();
        result.ranRows = true;
        p.state.showActivity(kActivityResetting);
        list.selectAll(false);
        if (IsOn(settings.OnTop) && options.setTopmost)
            options.setTopmost(true);

        for (std::size_t i = 1; i <= n && i <= list.size(); ++i) {
            p.pump.pumpOnce();
            DrawingRow* row = &list[i - 1];
            if (row->isPending()) {
                settings.ProdName =
                    p.store.GetSetting(kSettingsApp, kSettingsSection, "ProdName", startProduct);
                settings.Profile =
                    p.store.GetSetting(kSettingsApp, kSettingsSection, "Profile", startProfile);
                const std::string fullPath = FullPath(*row);
                row->cell(kColSizeBefore) = std::to_string(FileSizeKB(p.files, fullPath));
                row->cell(kColDateBefore) = FileDateText(p.files, fullPath);
                const std::string label = DwgVers(p.files, fullPath);
                const RowPlan plan =
                    PlanRow(p.registry, settings, p.codec, label, fullPath, row->cell(kColFilename));
                settings.ExePath = plan.exePath;

                p.state.setProductHead(plan.prodName, plan.profile);
                p.state.showActivity(RunningLabel(i, n, p.clock.monotonicMs() - *startMs));
                if (!p.state.busy()) {
                    result.stopped = true;
                    break;
                }
                RowReport report{i, n, fullPath, {}, plan, false};
                bool measured = true;
                std::string text;
                if (row->cell(kColStatus) == status::kSkip) {
                    // Set to Skip by the user while the run went on: measured, not run.
                } else if (!plan.status.empty()) {
                    text = plan.status;
                } else if (AccessDenied(p.files, fullPath)) {
                    text = std::string(status::kAccessDenied);
                } else if (IsReadOnly(p.files, fullPath)) {
                    text = std::string(status::kReadOnly);
                } else {
                    // The script, then AutoCAD.
                    const std::string scriptBase =
                        options.dryRun ? (options.dryRunScripts.empty()
                                              ? std::string()
                                              : options.dryRunScripts + "\\" + std::to_string(i))
                                       : paths.scriptBasePath;
                    ScriptResult scripted = ScriptResult::Written;
                    std::string message;
                    if (!scriptBase.empty()) {
                        const ScriptEnvironment env{p.registry, p.files, p.codec, scriptBase,
                                                    paths.programFolder};
                        scripted = CreateSCRpurge(env, settings, plan.r15OrLater, plan.saveFormat,
                                                  plan.targetPath, &message);
                    } else if (plan.productType == kProductTypeAutoCad &&
                               FindCompanion(p.files, paths.programFolder).empty()) {
                        scripted = ScriptResult::CompanionMissing;
                        message = CompanionMissingMessage(paths.programFolder);
                    }
                    if (scripted == ScriptResult::CompanionMissing) {
                        // Nothing more can run: the row stays pending and the run ends here.
                        result.companionMissing = true;
                        result.companionMessage = message;
                        p.prompt.inform(message, kPromptTitle);
                        result.stopped = i < n;
                        break;
                    }
                    if (scripted == ScriptResult::Failed) {
                        text = std::string(status::kScriptDenied);
                    } else if (options.dryRun) {
                        report.wouldRun = true;
                        measured = false;
                    } else {
                        text = [&] {
                            std::optional<SafetyCopy> safety;
                            if (plan.inPlace)
                                safety = MakeSafetyCopy(p, paths, fullPath);
                            const std::string saved = SavedPath(plan.targetPath);
                            const auto savedBefore = p.files.fingerprint(saved);
                            const std::string_view wantedCode = VersionCodeOfSaveFormat(plan.saveFormat);

                            // AutoCAD's current product and profile become the chosen ones.
                            changedCurrent = true;
                            SetAcadCurProd(p.registry, plan.productType);
                            SetAcadCurRelease(p.registry, plan.releaseKey);
                            SetAcadCurProductKey(p.registry, plan.productKey);
                            SetAcadCurrentProfile(p.registry, plan.profile);
                            SavedProfileValues savedValues = GetAcadRegistry(
                                p.registry, plan.prodName, plan.profile, IsOn(settings.CreateBak));
                            row->selected = true;
                            p.state.setStatus(std::string(kStatusNowRunning) + fullPath);

                            PopUpScanContext closer{p.windows, p.files, p.codec, p.clock,
                                                    paths.tempFolder + std::string(kClosedPopUpsLog)};
                            ShellWaitPorts wait{p.process,
                                                p.pump,
                                                p.clock,
                                                p.prompt,
                                                p.state,
                                                [&](const std::vector<std::uint32_t>& tree) {
                                                    return CloseAcadPopUps(closer, plan.r15OrLater, fullPath,
                                                                           tree);
                                                }};
                            ProcessFileRequest request{plan.exePath,
                                                       fullPath,
                                                       paths.scriptBasePath,
                                                       settings.Timeout,
                                                       IsOn(settings.RestoreTime),
                                                       options.minimized ? 2 : 1,
                                                       IsOn(settings.ClosePopUps)};
                            bool verified = false;
                            const std::int16_t outcome =
                                ProcessFile(wait, p.files, request, [&](std::int16_t code) {
                                    // A crash (an exception code) may have left a half-written file.
                                    const auto exit = p.process.lastExitCode();
                                    if (code != kOutcomeEnded || (exit && *exit >= 0xC0000000u))
                                        return;
                                    const auto after = p.files.fingerprint(saved);
                                    const auto head = p.files.readPrefix(saved, 6);
                                    verified = after && after != savedBefore && head && !wantedCode.empty() &&
                                               *head == wantedCode;
                                });
                            RestoreAcadRegistry(p.registry, savedValues);
                            if (safety)
                                FinishSafetyCopy(p, *safety, outcome == kOutcomeEnded && verified);
                            if (outcome == kOutcomeNotStarted)
                                return std::string(status::kNotStarted);
                            if (outcome == kOutcomeTimeout)
                                return std::string(status::kTimeouted);
                            if (outcome >= kOutcomeUserStop)
                                return std::string(status::kTerminated);
                            return std::string(verified ? status::kOk : status::kNotSaved);
                        }();
                    }
                }
                if (!text.empty())
                    row->cell(kColStatus) = text;
                if (measured) {
                    row->cell(kColVersion) = DwgVers(p.files, fullPath);
                    const bool ok = row->cell(kColStatus) == status::kOk;
                    row->cell(kColSizeAfter) =
                        std::to_string(FileSizeKB(p.files, ok ? plan.targetPath : fullPath));
                    row->cell(kColDateAfter) = FileDateText(p.files, fullPath);
                    if (IsOn(settings.DeleteBak) && !options.dryRun)
                        p.files.deleteFile(FileBaseName(fullPath, true) + ".bak");
                }
                report.status = row->cell(kColStatus);
                if (!report.wouldRun) {
                    ++result.processed;
                    if (report.status != status::kOk && !StartsWith(report.status, "Skipped: ") &&
                        report.status != status::kSkip)
                        ++result.failures;
                }
                if (options.rowDone)
                    options.rowDone(report);
            }
            p.progress.position(static_cast<std::int64_t>(i));
            if (p.state.stopRequested()) {
                p.state.running(false);
                result.stopped = i < n;
            }
        }
        p.state.running(false);
        if (IsOn(settings.OnTop) && options.setTopmost)
            options.setTopmost(false);
        if (changedCurrent) {
            SetAcadCurProd(p.registry, AcadProductType(p.registry, startProduct));
            SetAcadCurRelease(p.registry, AcadReleaseKey(p.registry, startProduct));
            SetAcadCurProductKey(p.registry, AcadProductKey(p.registry, startProduct));
            SetAcadCurrentProfile(p.registry, startProfile);
        }
    }
    Totals(p, list, startMs, result);
    p.progress.end();
    return result;
}

} // namespace ps
