// Benchmark: what the run adds around AutoCAD. N drawings run through the
// batch engine with a stand-in that saves and quits at once, against N times
// the cost of starting and ending the bare stand-in on one drawing.
//
//   orchestration.exe [drawings]      (under Wine, with a display)
#include "registration.h"
#include "sample_drawings.h"

#include "acad/host.h"
#include "acad/products.h"
#include "drawinglist/list_file.h"
#include "platform/text.h"
#include "platform/win_file_system.h"
#include "platform/win_registry.h"
#include "platform/win_system.h"
#include "run/run_engine.h"
#include "run/safety_copies.h"

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

double Seconds(ULONGLONG from) {
    return static_cast<double>(GetTickCount64() - from) / 1000.0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const int count = argc > 1 ? _wtoi(argv[1]) : 200;
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
                                  files.createFolder(f);
                                  return files.copyFile(bin + "\\standin\\acad.exe", f + "\\" + p.exeName);
                              });
    const std::string exe = AcadExePath(registry, "AutoCAD 2010");

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

    // The bare stand-in: started on a drawing with a script that only quits.
    const int bareRuns = count < 20 ? count : 20;
    files.writeFile(work + "\\quit.scr", "_.quit\r\n");
    const ULONGLONG bareStart = GetTickCount64();
    for (int i = 0; i < bareRuns; ++i) {
        WinProcessRunner runner;
        runner.start(
            BatchCommandLine(exe, work + "\\drawings\\d" + std::to_string(i) + ".dwg", work + "\\quit"), 1);
        while (!runner.hasEnded())
            runner.waitForWake(1000);
        runner.terminate();
    }
    const double bare = Seconds(bareStart) / bareRuns;

    // The run: every drawing saved from 2000 to 2010 and checked.
    WinAnsiCodec codec;
    WinClock clock;
    Silent prompt;
    WinMessagePump pump;
    WinProcessRunner process;
    WinWindowScanner windows;
    RunState state;
    NoProgress progress;
    Settings settings;
    settings.R[3] = "AutoCAD R2010 DWG";
    settings.PurgeTimes = 1;
    settings.PurgeAll = -1;
    files.writeFile(work + "\\Plansweeper.VLX", "companion");
    const RunPaths paths{temp + "purge", work, temp, SafetyFolderOf(temp)};
    RunPorts ports{registry, files, codec, clock, prompt, pump, process, windows, state, progress};
    int ok = 0;
    RunOptions options;
    options.rowDone = [&](const RowReport& r) {
        ok += r.status == "OK" ? 1 : 0;
        files.replaceFileAtomically(work + "\\list.log", ListText(list)); // as the batch command does
    };
    const ULONGLONG runStart = GetTickCount64();
    runScript(ports, settings, list, paths, options);
    const double run = Seconds(runStart);

    std::printf("bare stand-in start and end: %.3f s (mean of %d)\n", bare, bareRuns);
    std::printf("run of %d drawings:          %.2f s (%d OK), %.3f s per drawing\n", count, run, ok,
                run / count);
    std::printf("ratio run / (%d x bare):     %.3f\n", count, run / (count * bare));
    standin::UnregisterStandins(registry);
    return ok == count ? 0 : 1;
}
