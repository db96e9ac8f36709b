// plansweeper-batch: the Run command without a window, for unattended runs
// (Task Scheduler, scripts). Uses the stored settings, expands folder rows,
// runs every pending row and writes the list back after every drawing.
#include "acad/profile_values.h"
#include "core/read_only_registry.h"
#include "core/strings.h"
#include "drawinglist/folder_search.h"
#include "drawinglist/list_file.h"
#include "drawinglist/temp_cleanup.h"
#include "platform/message_pump.h"
#include "platform/text.h"
#include "platform/win_file_system.h"
#include "platform/win_registry.h"
#include "platform/win_system.h"
#include "run/run_engine.h"
#include "settings/override_store.h"
#include "settings/settings_io.h"
#include "startup/batch_args.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace ps;

std::atomic<bool> g_stopRequested{false};

// Text to the console as UTF-16, or UTF-8 bytes when the output is redirected.
void Print(const std::string& text, bool error = false) {
    HANDLE out = GetStdHandle(error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    const std::string line = text + "\r\n";
    if (GetConsoleMode(out, &mode)) {
        const std::wstring wide = Widen(line);
        DWORD wrote = 0;
        WriteConsoleW(out, wide.data(), static_cast<DWORD>(wide.size()), &wrote, nullptr);
    } else {
        DWORD wrote = 0;
        WriteFile(out, line.data(), static_cast<DWORD>(line.size()), &wrote, nullptr);
    }
}

BOOL WINAPI OnConsoleEvent(DWORD event) {
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
        // As the Stop command: the current drawing finishes, then the run ends.
        g_stopRequested = true;
        return TRUE;
    }
    // The console goes away with the process: put AutoCAD's profile values back first.
    WinRegistry registry;
    RestorePendingProfileValues(registry);
    return FALSE;
}

// The stop request reaches the run state on the run's own thread.
class BatchPump final : public MessagePump {
public:
    explicit BatchPump(RunState& state) : state_(state) {}
    void pumpOnce() override {
        PumpPendingMessages();
        if (g_stopRequested.exchange(false)) {
            Print("Stop requested: the current drawing finishes, then the run ends.");
            state_.requestStop();
        }
    }

private:
    RunState& state_;
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

std::string ProgramFolder() {
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::string folder = Narrow(exe);
    return folder.substr(0, folder.find_last_of('\\'));
}

std::string TempFolder() {
    wchar_t temp[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    return n == 0 ? std::string() : Narrow(std::wstring(temp, n));
}

// An absolute path for a name given relative to the current folder.
std::string FullPathOf(const std::string& path) {
    wchar_t buffer[4096];
    const DWORD n = GetFullPathNameW(Widen(path).c_str(), 4096, buffer, nullptr);
    return n == 0 || n >= 4096 ? path : Narrow(std::wstring(buffer, n));
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

int Run(const BatchArgs& args) {
    WinRegistry realRegistry;
    ReadOnlyRegistry readOnly(realRegistry);
    Registry& registry = args.dryRun ? static_cast<Registry&>(readOnly) : realRegistry;
    WinFileSystem files;
    WinAnsiCodec codec;
    WinClock clock;
    WinProcessRunner process;
    WinWindowScanner windows;
    ConsolePrompt prompt;
    RunState state;
    BatchPump pump(state);
    NoProgress progress;

    const std::string temp = TempFolder();
    const RunPaths paths{temp + "purge", ProgramFolder(), temp, temp + "Plansweeper\\Safety copies"};
    if (!args.dryRun && RestorePendingProfileValues(realRegistry))
        Print("AutoCAD profile values an earlier run left changed were put back.");
    for (const auto& [copy, original] : LeftoverSafetyCopies(files, paths.safetyFolder))
        Print("A safety copy of \"" + original + "\" from an interrupted run is kept at \"" + copy + "\".");

    RegistrySettingsStore stored(registry);
    OverrideSettingsStore store(stored);
    for (const auto& [key, value] : args.overrides)
        store.setOverride(key, value);
    Settings settings;
    LoadFormSettings(store, registry, settings);

    const std::string listFile = FullPathOf(args.listFile);
    const std::string outFile = FullPathOf(args.outFile);
    DrawingList list;
    const ImportResult read = ReadListFile(files, codec, listFile, list);
    if (read.error) {
        Print(*read.error, true);
        return kBatchUsageError;
    }

    // Folder rows become drawing rows; a real run also cleans those folders.
    CleanupContext cleanup{files, settings, state, pump, clock, codec, temp + std::string(kDeletedFilesLog)};
    if (!args.dryRun)
        StartDeletedFilesLog(cleanup);
    SearchContext search{list, files, settings, state, pump};
    state.showActivity(kActivityAdding);
    subAddFolderToFiles(search, [&](const std::string& folder) {
        if (!args.dryRun && AnyDeletionChosen(settings)) {
            state.running(true);
            FindFilesAPIdelete(cleanup, folder);
        }
    });
    if (cleanup.deleted > 0)
        Print(std::to_string(cleanup.deleted) + " temporary file(s) deleted; see " + cleanup.logPath);
    const bool stoppedWhileSearching = state.stopRequested();

    bool listWriteFailed = false;
    auto saveList = [&] {
        if (args.dryRun)
            return;
        if (const auto error = WriteListFile(files, codec, outFile, list)) {
            if (!listWriteFailed)
                Print(*error, true);
            listWriteFailed = true;
        }
    };
    saveList(); // the expanded rows, before any drawing

    RunOptions options;
    options.dryRun = args.dryRun;
    options.dryRunScripts = args.scriptsFolder.empty() ? std::string() : FullPathOf(args.scriptsFolder);
    if (!options.dryRunScripts.empty())
        files.createFolder(options.dryRunScripts);
    options.rowDone = [&](const RowReport& r) {
        const std::string where = std::to_string(r.row) + "/" + std::to_string(r.rowCount);
        if (args.dryRun) {
            const std::string what = r.wouldRun ? "would run" : r.status;
            Print(where + "\t" + what + "\t" + r.plan.prodName + " | " + r.plan.profile + " | " +
                  (r.plan.saveFormat.empty() ? "-" : r.plan.saveFormat) + "\t" + r.fullPath);
        } else {
            Print(where + "\t" + r.status + "\t" + r.fullPath);
            saveList();
        }
    };
    RunPorts ports{registry, files, codec, clock, prompt, pump, process, windows, store, state, progress};
    RunResult result;
    if (!stoppedWhileSearching)
        result = runScript(ports, settings, list, paths, options);
    saveList();
    if (!result.totals.empty())
        PrintLabel(result.totals);
    if (listWriteFailed)
        return kBatchSomeFailed;
    if (result.companionMissing || result.stopped || stoppedWhileSearching)
        return kBatchStopped;
    return result.failures > 0 ? kBatchSomeFailed : kBatchAllGood;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.push_back(Narrow(argv[i]));
    const BatchParse parsed = ParseBatchArgs(arguments);
    if (!parsed.args) {
        Print("plansweeper-batch: " + parsed.error, true);
        Print(kBatchUsage, true);
        return kBatchUsageError;
    }
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
    try {
        return Run(*parsed.args);
    } catch (const std::exception& e) {
        Print(std::string("Error in runScript: ") + e.what(), true);
        return kBatchSomeFailed;
    }
}
