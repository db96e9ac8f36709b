// plansweeper-batch: the Run command without a window, for unattended runs
// (Task Scheduler, scripts). Uses the stored settings, expands folder rows,
// runs every pending row and writes the list back after every drawing.
#include "acad/current_pointers.h"
#include "acad/profile_values.h"
#include "core/file_facts.h"
#include "core/read_only_registry.h"
#include "core/snapshot_registry.h"
#include "core/strings.h"
#include "drawinglist/folder_search.h"
#include "drawinglist/list_file.h"
#include "drawinglist/list_parts.h"
#include "drawinglist/list_saver.h"
#include "drawinglist/status.h"
#include "drawinglist/temp_cleanup.h"
#include "platform/message_pump.h"
#include "platform/text.h"
#include "platform/win_file_system.h"
#include "platform/win_paths.h"
#include "platform/win_registry.h"
#include "platform/win_run_ownership.h"
#include "platform/win_system.h"
#include "platform/wic_png.h"
#include "drawinglist/condor_files.h"
#include "report/run_csv.h"
#include "report/run_json.h"
#include "report/run_report.h"
#include "run/run_command.h"
#include "run/run_history.h"
#include "run/safety_copies.h"
#include "script/purge_script.h"
#include "settings/override_store.h"
#include "settings/settings_form.h"
#include "settings/settings_io.h"
#include "startup/batch_args.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace ps;

std::atomic<bool> g_stopRequested{false};

// Text to the console as UTF-16, or UTF-8 bytes when the output is redirected.
// Whether each output is a console is asked once: a line per row of a large
// list made that question cost as much as the row.
void Print(const std::string& text, bool error = false) {
    HANDLE out = GetStdHandle(error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    const auto isConsole = [](DWORD which) {
        DWORD mode = 0;
        return GetConsoleMode(GetStdHandle(which), &mode) != FALSE;
    };
    static const bool consoles[2] = {isConsole(STD_OUTPUT_HANDLE), isConsole(STD_ERROR_HANDLE)};
    const std::string line = text + "\r\n";
    if (consoles[error ? 1 : 0]) {
        const std::wstring wide = Widen(line);
        DWORD wrote = 0;
        WriteConsoleW(out, wide.data(), static_cast<DWORD>(wide.size()), &wrote, nullptr);
    } else {
        DWORD wrote = 0;
        WriteFile(out, line.data(), static_cast<DWORD>(line.size()), &wrote, nullptr);
    }
}

// Runs on a thread of its own: it only hands a stop request to the run. As
// the Stop command, the current drawing finishes, then the run ends. When
// the console closes, the process ends before that; what the run left
// changed is recorded and put back at the next start.
BOOL WINAPI OnConsoleEvent(DWORD event) {
    g_stopRequested = true;
    return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
}

// The stop request reaches the run state on the run's own thread.
class BatchPump final : public MessagePump {
public:
    explicit BatchPump(RunState& state) : state_(state) {}
    // The batch has no window: its messages are its threads' own, and a look
    // every few milliseconds keeps them moving without a look per row.
    void pumpOnce() override {
        if (const ULONGLONG now = GetTickCount64(); now - lastPump_ >= 15) {
            PumpPendingMessages();
            lastPump_ = now;
        }
        if (g_stopRequested.exchange(false)) {
            Print("Stop requested: the current drawing finishes, then the run ends.");
            state_.requestStop();
        }
    }

private:
    RunState& state_;
    ULONGLONG lastPump_ = 0;
};

// Nobody answers questions in a batch: AutoCAD is never ended early on a
// stop request, and messages are printed.
class ConsolePrompt final : public UserPrompt {
public:
    bool askYesNo(std::string_view message, std::string_view) override {
        Print(std::string(message) + " -> No");
        return false;
    }
    void inform(std::string_view message, std::string_view) override { Print(std::string(message)); }
};

// A row's status as its line shows it.
std::string StatusLine(const std::string& status) {
    return status.empty() ? std::string("Not processed") : status;
}

void PrintLabel(const std::string& label) {
    std::size_t start = 0;
    std::string line;
    while (start <= label.size()) {
        const auto end = label.find("\r\n", start);
        line += label.substr(start, end == std::string::npos ? std::string::npos : end - start);
        // The label puts each value on the line under its caption; print them side by side.
        if (!line.empty() && line.back() != ' ') {
            Print(line);
            line.clear();
        }
        if (end == std::string::npos)
            break;
        start = end + 2;
    }
    if (!line.empty())
        Print(line);
}

// The list is written at most every two seconds, and always before AutoCAD
// starts on a drawing and at the end: a kill loses at most the statuses of
// drawings that were refused without AutoCAD, which the next run refuses
// again. A list that cannot be written any more (a full disk, a share gone)
// stops the run before its next drawing: nothing would record it.
class BatchList {
public:
    BatchList(ListSaver& saver, const DrawingList& list, RunState& state, bool enabled)
        : saver_(saver), list_(list), state_(state), enabled_(enabled) {}
    void changed() { saver_.changed(); }
    void saveIfDue() { checked(!enabled_ || saver_.saveIfDue(list_)); }
    bool saveIfChanged() { return checked(!enabled_ || saver_.saveIfChanged(list_)); }
    bool save() { return checked(!enabled_ || saver_.save(list_)); }
    bool failed() const { return saver_.everFailed(); }

private:
    bool checked(bool written) {
        if (!written && !told_) {
            told_ = true;
            Print(saver_.error().value_or(""), true);
            Print("The list file cannot be written: the run stops before the next drawing.", true);
            state_.requestStop();
        }
        return written && !saver_.everFailed();
    }
    ListSaver& saver_;
    const DrawingList& list_;
    RunState& state_;
    bool enabled_;
    bool told_ = false;
};

// The row's line: "<i>/<n>", the status, the drawing, and for a dry run what
// it would be done with.
std::string RowLine(const RowReport& r, bool dryRun) {
    const std::string where = std::to_string(r.row) + "/" + std::to_string(r.rowCount) + "\t";
    if (r.passed || !dryRun)
        return where + StatusLine(r.status) + "\t" + r.fullPath;
    const std::string what = r.wouldRun ? "would run" : r.status;
    return where + what + "\t" + r.plan.prodName + " | " + r.plan.profile + " | " +
           (r.plan.saveFormat ? std::string(SaveAsAnswer(*r.plan.saveFormat)) : std::string("-")) + "\t" +
           r.fullPath;
}

// The run's options: the list recorded before each drawing and as rows
// finish, one line per row.
RunOptions BatchOptions(const BatchArgs& args, FileSystem& files, BatchList& saver,
                        std::set<std::uint64_t>& printed, std::map<std::uint64_t, RowDetails>& details) {
    RunOptions options;
    options.dryRun = args.dryRun;
    options.dryRunScripts = args.scriptsFolder.empty() ? std::string() : FullPathOf(args.scriptsFolder);
    if (!options.dryRunScripts.empty())
        files.createFolder(options.dryRunScripts);
    options.beforeDrawing = [&saver] {
        return saver.saveIfChanged();
    };
    options.rowDone = [&saver, &printed, &details, dryRun = args.dryRun](const RowReport& r) {
        printed.insert(r.rowId);
        if (!r.passed)
            details[r.rowId] = RowDetails{r.versionBefore, r.seconds, r.facts, r.logPath, r.logTail};
        Print(RowLine(r, dryRun));
        if (!r.passed && !dryRun) {
            saver.changed();
            saver.saveIfDue();
        }
    };
    return options;
}

// What is left to say after the run: rows the run did not reach, deleted
// files, the totals.
void PrintEnd(const DrawingList& list, const std::set<std::uint64_t>& printed,
              const RunCommandResult& result) {
    for (std::size_t i = 0; i < list.size(); ++i)
        if (!printed.contains(list[i].id))
            Print(std::to_string(i + 1) + "/" + std::to_string(list.size()) + "\t" +
                  StatusLine(list[i].cell(kColStatus)) + "\t" + FullPath(list[i]));
    if (result.deleted > 0)
        Print(std::to_string(result.deleted) + " temporary file(s) deleted; see " + result.deletedLog);
    if (!result.run.totals.empty())
        PrintLabel(result.run.totals);
    if (!result.run.stopReason.empty())
        Print("The run stopped: " + result.run.stopReason, true);
}

// The stored settings with this run's --set values over them, whatever
// their source checked as the dialog checks them, or nullopt (and why
// printed) when one is wrong: every drawing would fail for it. Loading makes
// the stored product current: the caller records AutoCAD's pointers first.
std::optional<Settings> BatchSettings(Registry& registry, const BatchArgs& args) {
    // The settings from one read of each key they live in.
    SnapshotRegistry snapshot(registry, ProgramSettingsKeys());
    RegistrySettingsStore stored(snapshot);
    OverrideSettingsStore store(stored);
    for (const auto& [key, value] : args.overrides)
        store.setOverride(key, value);
    const ProductCatalog products = ProductCatalog::Read(registry);
    const auto problems = CheckEffectiveSettings(
        store,
        [&](std::string_view key) {
            for (const auto& [given, value] : args.overrides)
                if (EqualsNoCase(given, key))
                    return std::string("--set");
            return SettingSourceOf(snapshot, key);
        },
        [&](std::string_view product) { return !products.find(product).name.empty(); });
    for (const auto& problem : problems)
        Print("plansweeper-batch: " + problem, true);
    if (!problems.empty())
        return std::nullopt;
    Settings settings;
    LoadFormSettings(store, registry, settings);
    return settings;
}

int Run(const BatchArgs& args) {
    WinRegistry realRegistry;
    ReadOnlyRegistry readOnly(realRegistry);
    Registry& registry = args.dryRun ? static_cast<Registry&>(readOnly) : realRegistry;
    WinFileSystem files;
    const std::string temp = TempFolder();
    // This run beside any other Plansweeper run; a dry run leaves no trace.
    std::optional<WinRunOwnership> ownRun;
    MemoryRunOwnership dryRun;
    if (!args.dryRun) {
        ownRun.emplace(RunsFolderOf(temp));
        ownRun->setOnUntied([](const std::string& message) { Print(message); });
    }
    RunOwnership& runs = ownRun ? static_cast<RunOwnership&>(*ownRun) : dryRun;
    // The scripts in the run's own folder: the window or another batch at work has its own.
    RunPaths paths = RunPathsFor(RunFolderOf(temp, runs.ownId()) + "\\" + std::string(kScriptBaseName),
                                 ProgramFolder(), temp, runs.ownId());
    if (!args.dryRun) {
        paths.historyFile = ApplicationDataFolder() + "\\" + std::string(kHistoryFileName);
        paths.transcriptsFolder =
            args.logsFolder.empty() ? NewTranscriptsFolder() : FullPathOf(args.logsFolder);
    }
    if (!args.dryRun)
        for (const auto& message : RecoverInterruptedRun(realRegistry, files, runs, temp))
            Print(message);
    // Recorded before the settings make their product current, so that the
    // batch leaves AutoCAD's registry exactly as it found it.
    std::optional<PointerGuard> pointers;
    if (!args.dryRun)
        pointers.emplace(realRegistry, runs);
    const std::optional<Settings> checked = BatchSettings(registry, args);
    if (!checked)
        return kBatchUsageError;
    const Settings& settings = *checked;

    WinAnsiCodec codec;
    DrawingList list;
    const ImportResult read = ReadListFile(files, codec, FullPathOf(args.listFile), list);
    if (read.error) {
        Print(*read.error, true);
        return kBatchUsageError;
    }
    WinClock clock;
    RunState state;
    state.setProductHead(settings.ProdName, settings.Profile);
    ListSaver listSaver(files, codec, clock, FullPathOf(args.outFile), 2000);
    BatchList saver(listSaver, list, state, !args.dryRun);
    std::set<std::uint64_t> printed; // every row gets exactly one line with its final status
    std::map<std::uint64_t, RowDetails> details;
    RunOptions options = BatchOptions(args, files, saver, printed, details);
    if (args.retryFailed) {
        // The failed rows, and no other, run once more.
        options.onlyRows = ClearFailedRows(list);
        if (options.onlyRows.empty()) {
            Print("No failed drawings to run again.");
            return ListExitCode(list, !args.dryRun);
        }
    }
    WinProcessRunner process(WinProcessRunner::Starts::OnCaller);
    WinWindowScanner windows;
    ConsolePrompt prompt;
    BatchPump pump(state);
    NoProgress progress;
    RunPorts ports{registry, files, codec, clock, prompt, pump, process, windows, state, progress, runs};
    // The expanded rows, before any drawing: a list that cannot be written
    // would let AutoCAD change drawings that nothing records.
    const RunCommandResult result =
        subRun(ports, settings, list, paths, options, [&] { return saver.save(); });
    if (!result.refusedBeforeRows)
        saver.save();
    PrintEnd(list, printed, result);
    if (saver.failed())
        return kBatchListNotWritten;
    if (!args.reportFile.empty()) {
        const auto pictures = ReportThumbnails(files, list, PngCompactor::reportThreads(), [] {
            return PngCompactor::threadShrink(kReportPictureMostSide);
        });
        const std::string html =
            RunReportHtml(list, {clock.nowText(), result.run.totals, &details}, PicturesOf(pictures));
        if (!files.replaceFileAtomically(FullPathOf(args.reportFile), html)) {
            Print("The report could not be written to " + FullPathOf(args.reportFile), true);
            return kBatchSomeFailed;
        }
        Print("Report: " + FullPathOf(args.reportFile));
    }
    if (!args.jsonFile.empty()) {
        const std::string json = RunJson(list, clock.nowText(), result.run.totals, details);
        if (!files.replaceFileAtomically(FullPathOf(args.jsonFile), json)) {
            Print("The JSON could not be written to " + FullPathOf(args.jsonFile), true);
            return kBatchSomeFailed;
        }
        Print("JSON: " + FullPathOf(args.jsonFile));
    }
    if (!args.csvFile.empty()) {
        const ListSeparators separators = UserListSeparators();
        const std::string csv = RunCsv(list, details, CsvConventions{separators.list, separators.decimal});
        if (!files.replaceFileAtomically(FullPathOf(args.csvFile), csv)) {
            Print("The table could not be written to " + FullPathOf(args.csvFile), true);
            return kBatchSomeFailed;
        }
        Print("CSV: " + FullPathOf(args.csvFile));
    }
    return ListExitCode(list, !args.dryRun);
}

// split: the list's folder rows expanded (the list written back so, for the
// parts to merge into), then the parts of about equal work; their paths go
// to written.
int Split(const BatchArgs& args, std::vector<std::string>* written = nullptr) {
    WinRegistry realRegistry;
    ReadOnlyRegistry registry(realRegistry); // AutoCAD's registry is not touched
    const std::optional<Settings> checked = BatchSettings(registry, args);
    if (!checked)
        return kBatchUsageError;
    WinFileSystem files;
    WinAnsiCodec codec;
    DrawingList list;
    const std::string listFile = FullPathOf(args.listFile);
    const ImportResult read = ReadListFile(files, codec, listFile, list);
    if (read.error) {
        Print(*read.error, true);
        return kBatchUsageError;
    }
    const bool hasFolders =
        std::any_of(list.begin(), list.end(), [](const DrawingRow& r) { return r.isFolder(); });
    if (hasFolders) {
        RunState state;
        BatchPump pump(state);
        SearchContext search{list, files, *checked, state, pump};
        subAddFolderToFiles(search, [](const std::string&) {});
        if (const auto error = WriteListFile(files, codec, listFile, list)) {
            Print(*error, true);
            return kBatchListNotWritten;
        }
    }
    const auto parts = SplitList(list, args.parts, [&files](const DrawingRow& row) {
        const auto entry = files.findEntry(FullPath(row));
        return entry ? entry->size / 1024 + 1 : std::uint64_t{1};
    });
    const std::string folder = FullPathOf(args.partsFolder);
    files.createFolder(folder);
    const std::string stem = FileBaseName(listFile, false);
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::string part = folder + "\\" + stem + " part " + std::to_string(i + 1) + " of " +
                                 std::to_string(parts.size()) + ".log";
        if (const auto error = WriteListFile(files, codec, part, parts[i])) {
            Print(*error, true);
            return kBatchListNotWritten;
        }
        Print(part + "\t" + std::to_string(parts[i].size()) +
              (parts[i].size() == 1 ? " drawing" : " drawings"));
        if (written != nullptr)
            written->push_back(part);
    }
    return kBatchAllGood;
}

// condor: split, then the submit descriptions and the DAG beside the parts.
int Condor(const BatchArgs& args) {
    std::vector<std::string> parts;
    if (const int code = Split(args, &parts); code != kBatchAllGood)
        return code;
    WinFileSystem files;
    const std::string folder = FullPathOf(args.partsFolder);
    const CondorFiles condor = MakeCondorFiles(ProgramFolder() + "\\plansweeper-batch.exe",
                                               FullPathOf(args.listFile), parts, args.overrides, folder);
    for (const auto& [name, text] :
         {std::pair<std::string, const std::string&>{"plansweeper-part.sub", condor.partSubmit},
          {"plansweeper-merge.sub", condor.mergeSubmit},
          {"plansweeper.dag", condor.dag}}) {
        const std::string path = folder + "\\" + name;
        if (!files.replaceFileAtomically(path, text)) {
            Print("The file could not be written: " + path, true);
            return kBatchListNotWritten;
        }
        Print(path);
    }
    Print("Submit it from the folder with: condor_submit_dag plansweeper.dag");
    return kBatchAllGood;
}

// merge: each part's outcomes back into the list; a part of another list
// refuses the whole merge before anything is written.
int Merge(const BatchArgs& args) {
    WinFileSystem files;
    WinAnsiCodec codec;
    DrawingList list;
    const std::string listFile = FullPathOf(args.listFile);
    if (const ImportResult read = ReadListFile(files, codec, listFile, list); read.error) {
        Print(*read.error, true);
        return kBatchUsageError;
    }
    std::size_t merged = 0;
    for (const auto& partFile : args.partFiles) {
        DrawingList part;
        if (const ImportResult read = ReadListFile(files, codec, FullPathOf(partFile), part); read.error) {
            Print(*read.error, true);
            return kBatchUsageError;
        }
        const MergeResult result = MergePart(list, part);
        if (result.error) {
            Print("plansweeper-batch: " + FullPathOf(partFile) + " " + *result.error + "; nothing was merged",
                  true);
            return kBatchUsageError;
        }
        merged += result.merged;
    }
    if (const auto error = WriteListFile(files, codec, listFile, list)) {
        Print(*error, true);
        return kBatchListNotWritten;
    }
    Print("Merged " + std::to_string(merged) + (merged == 1 ? " row" : " rows") + " from " +
          std::to_string(args.partFiles.size()) + (args.partFiles.size() == 1 ? " part" : " parts"));
    return ListExitCode(list);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.push_back(Narrow(argv[i]));
    const BatchParse parsed = ParseBatchArgs(arguments);
    if (parsed.help) {
        Print(kBatchHelp);
        return kBatchAllGood;
    }
    if (!parsed.args) {
        Print("plansweeper-batch: " + parsed.error, true);
        Print(kBatchUsage, true);
        return kBatchUsageError;
    }
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
    try {
        if (parsed.args->command == BatchCommand::Split)
            return Split(*parsed.args);
        if (parsed.args->command == BatchCommand::Merge)
            return Merge(*parsed.args);
        if (parsed.args->command == BatchCommand::Condor)
            return Condor(*parsed.args);
        return Run(*parsed.args);
    } catch (const std::exception& e) {
        Print(std::string("Error in runScript: ") + e.what(), true);
        return kBatchSomeFailed;
    }
}
