// Benchmark: CPU time the waiting program uses while AutoCAD (the stand-in)
// works for about ten seconds, as a share of the wall time. Compares the
// wait as built (sleeping on the process and the message queue between
// passes) with a wait that polls without sleeping.
//
//   shellwait-cpu.exe [seconds]      (run under Wine with a display)
#include "acad/host.h"
#include "acad/popup_closer.h"
#include "platform/message_pump.h"
#include "platform/text.h"
#include "platform/win_file_system.h"
#include "platform/win_system.h"
#include "run/shell_wait.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

using namespace ps;

double CpuSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto ticks = [](const FILETIME& f) {
        return static_cast<double>((static_cast<std::uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime);
    };
    return (ticks(kernel) + ticks(user)) / 1e7;
}

std::string Folder() {
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::string folder = Narrow(exe);
    return folder.substr(0, folder.find_last_of('\\'));
}

void WriteText(const std::string& path, const std::string& text) {
    WinFileSystem files;
    files.writeFile(path, text);
}

class NoPrompt : public UserPrompt {
public:
    bool askYesNo(std::string_view, std::string_view) override { return false; }
    void inform(std::string_view, std::string_view) override {}
};

struct Result {
    double wall;
    double cpu;
};

// The stand-in sleeps `seconds` before it opens the drawing, then quits.
std::string Prepare(const std::string& work, int seconds) {
    const std::string drawing = work + "\\bench.dwg";
    WriteText(drawing, "AC1015 bench drawing");
    WriteText(drawing + ".standin", "slow-start=" + std::to_string(seconds) + "\r\n");
    WriteText(work + "\\purge.scr", "_.quit\r\n");
    return drawing;
}

Result Measure(bool spin, const std::string& standin, const std::string& work, int seconds) {
    const std::string drawing = Prepare(work, seconds);
    WinFileSystem files;
    WinAnsiCodec codec;
    WinClock clock;
    WinMessagePump pump;
    WinProcessRunner runner;
    WinWindowScanner windows;
    NoPrompt prompt;
    RunState state;
    const std::string log = work + "\\PlansweeperClosedPopUps.log";
    auto scan = [&](const ProcessFilter& ours) {
        PopUpScanContext c{windows, files, codec, clock, log};
        return CloseAcadPopUps(c, true, drawing, ours);
    };
    const std::string commandLine = BatchCommandLine(standin, drawing, work + "\\purge");
    const double cpu0 = CpuSeconds();
    const ULONGLONG wall0 = GetTickCount64();
    if (!spin) {
        ShellWaitPorts ports{runner, pump, clock, prompt, state, scan};
        ShellWait(ports, commandLine, 1, 120, true);
    } else {
        // Every pass at once after the last, as a wait without sleeping does.
        runner.start(commandLine, 1);
        while (true) {
            PumpPendingMessages();
            const bool ended = runner.hasEnded();
            scan([&](std::uint32_t pid) { return runner.owns(pid); });
            if (ended)
                break;
        }
        runner.terminate();
    }
    return {static_cast<double>(GetTickCount64() - wall0) / 1000.0, CpuSeconds() - cpu0};
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const int seconds = argc > 1 ? _wtoi(argv[1]) : 10;
    const std::string standin = Folder() + "\\..\\standin\\acad.exe";
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::string work = Narrow(temp) + "shellwait-bench";
    CreateDirectoryW(Widen(work).c_str(), nullptr);
    for (bool spin : {false, true}) {
        const Result r = Measure(spin, standin, work, seconds);
        std::printf("%-28s wall %6.2f s  cpu %6.2f s  share %5.1f %%\n",
                    spin ? "polling without sleeping" : "ShellWait (as built)", r.wall, r.cpu,
                    100.0 * r.cpu / r.wall);
    }
    return 0;
}
