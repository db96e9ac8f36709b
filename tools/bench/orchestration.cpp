// Benchmark: what the run adds around AutoCAD. N drawings run through the
// batch engine with a stand-in that saves and quits at once, against N times
// the cost of starting and ending the bare stand-in on one drawing. With
// --console, the same for AutoCAD 2013's console engine.
//
//   orchestration.exe [drawings] [--console]     (under Wine, with a display)
#include "registration.h"
#include "standin_io.h"
#include "sample_drawings.h"

#include "acad/host.h"
#include "acad/products.h"
#include "drawinglist/list_file.h"
#include "platform/text.h"
#include "platform/win_file_system.h"
#include "platform/win_registry.h"
#include "platform/win_run_ownership.h"
#include "platform/win_system.h"
#include "run/run_command.h"
#include "run/run_engine.h"
#include "run/safety_copies.h"
#include "script/purge_script.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

using namespace ps;

class Silent final : public UserPrompt {
public:
    bool askYesNo(std::string_view, std::string_view) override { return false; }
    void inform(std::string_view, std::string_view) override {}
};

std::string Folder() {
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::string folder = Narrow(exe);
    return folder.substr(0, folder.find_last_of('\\'));
}

// Processor time (user and kernel) of this process so far, in seconds.
double ProcessorSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto value = [](const FILETIME& t) {
        return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    return value(kernel) + value(user);
}

double Seconds(ULONGLONG from) {
    return static_cast<double>(GetTickCount64() - from) / 1000.0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const int count = argc > 1 ? _wtoi(argv[1]) : 200;
    const bool console = argc > 2 && std::wstring(argv[2]) == L"--console";
    const std::string bin = Folder() + "\\..";
    wchar_t tempBuffer[MAX_PATH];
    GetTempPathW(MAX_PATH, tempBuffer);
    const std::string temp = Narrow(tempBuffer);
    const std::string work = temp + "orchestration-bench";
    WinFileSystem files;
    files.createFolder(work + "\\drawings");
    WinRegistry registry;
    standin::UnregisterStandins(registry);
    standin::RegisterStandins(registry, work + "\\products",
                              [&](const standin::StandinProduct& p, const std::string& f) {
                                  return standin::InstallStandin(p, f, bin + "\\standin");
                              });
    const std::string product = console ? "AutoCAD 2013" : "AutoCAD 2010";
    const std::string exe = AcadExePath(registry, product);

    DrawingList list;
    for (int i = 0; i < count; ++i) {
        const std::string name = "d" + std::to_string(i) + ".dwg";
        files.writeFile(
            work + "\\drawings\\" + name,
            samples::SampleDwg("AC1015", samples::Thumbnail{64, 40, static_cast<std::uint32_t>(i)}));
        DrawingRow row;
        row.cells[kColFilename] = name;
        row.cells[kColPath] = work + "\\drawings";
        row.cells[kColSizeAfter] = " ";
        list.append(row);
    }

    Settings settings;
    settings.R[3] = "AutoCAD R2010 DWG";
    settings.PurgeTimes = 1;
    settings.PurgeAll = -1;
    settings.ProdName = product;
    settings.UseConsole = console ? -1 : 0;
    files.writeFile(work + "\\Plansweeper.VLX", "companion");
    WinAnsiCodec codec;

    // The bare stand-in, started and waited for one drawing after the other:
    // with a script that only quits, and with the script the run writes for
    // that drawing (on drawings of its own).
    const int bareRuns = count < 20 ? count : 20;
    files.writeFile(work + "\\quit.scr", "_.quit\r\n");
    files.createFolder(work + "\\bare");
    const auto bareRun = [&](bool withScript) {
        const ULONGLONG start = GetTickCount64();
        for (int i = 0; i < bareRuns; ++i) {
            std::string drawing = work + "\\drawings\\d" + std::to_string(i) + ".dwg";
            std::string script = work + "\\quit";
            if (withScript) {
                drawing = work + "\\bare\\b" + std::to_string(i) + ".dwg";
                script = work + "\\bare\\b" + std::to_string(i);
                files.writeFile(drawing, samples::SampleDwg("AC1015", samples::Thumbnail{64, 40, 7}));
                ScriptProduct target = ScriptProductOf(registry, product, true);
                target.console = console;
                CreateSCRpurge(ScriptEnvironment{files, codec, script, work}, settings, target,
                               *SaveFormatOfWord(settings.R[3], std::nullopt), drawing);
            }
            WinProcessRunner runner(WinProcessRunner::Starts::OnCaller); // as the batch command starts
            if (console)
                runner.start(ConsoleCommandLine(ConsoleEnginePath(exe), drawing, script + ".scr", "", ""), 3);
            else
                runner.start(BatchCommandLine(exe, drawing, script), 1);
            while (!runner.hasEnded())
                runner.waitForWake(1000);
            runner.terminate();
        }
        return Seconds(start) / bareRuns;
    };
    const double bareCpuStart = ProcessorSeconds();
    const double bare = bareRun(false);
    const double bareCpu = (ProcessorSeconds() - bareCpuStart) / bareRuns;
    const double bareScripted = bareRun(true);

    // The run: every drawing saved from 2000 to 2010 and checked.
    WinClock clock;
    Silent prompt;
    WinMessagePump pump;
    WinProcessRunner process(WinProcessRunner::Starts::OnCaller);
    WinWindowScanner windows;
    RunState state;
    NoProgress progress;
    WinRunOwnership runs(RunsFolderOf(temp));
    const RunPaths paths = RunPathsFor(temp + "purge", work, temp, runs.ownId());
    RunPorts ports{registry, files, codec, clock, prompt, pump, process, windows, state, progress, runs};
    int ok = 0;
    RunOptions options;
    options.rowDone = [&](const RowReport& r) {
        ok += r.status == "OK" ? 1 : 0;
        files.replaceFileAtomically(work + "\\list.log", ListText(list)); // as the batch command does
    };
    const ULONGLONG runStart = GetTickCount64();
    const double cpuStart = ProcessorSeconds();
    runScript(ports, settings, list, paths, options);
    const double run = Seconds(runStart);
    const double cpu = ProcessorSeconds() - cpuStart;

    std::printf("%s\n", console ? "AutoCAD 2013, console engine" : "AutoCAD 2010, acad.exe");
    std::printf("bare stand-in start and end: %.3f s (mean of %d)\n", bare, bareRuns);
    std::printf("run of %d drawings:          %.2f s (%d OK), %.3f s per drawing\n", count, run, ok,
                run / count);
    std::printf("ratio run / (%d x bare):     %.3f\n", count, run / (count * bare));
    std::printf("processor time of the run:   %.1f ms per drawing (a bare start: %.1f ms)\n",
                1000 * cpu / count, 1000 * bareCpu);
    std::printf("bare with the run's script:  %.3f s (mean of %d)\n", bareScripted, bareRuns);
    std::printf("ratio run / (%d x that):     %.3f\n", count, run / (count * bareScripted));
    standin::UnregisterStandins(registry);
    return ok == count ? 0 : 1;
}
