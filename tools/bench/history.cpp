// The history behind "Skip drawings unchanged since their last OK run":
// how long a run takes to read it at a given size, and to check that many
// real drawings against it (scripts/bench-batch).
//   history <lines> <drawings>
#include "core/memory_registry.h"
#include "core/run_ownership.h"
#include "platform/text.h"
#include "platform/win_file_system.h"
#include "platform/win_paths.h"
#include "run/run_history.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

double SecondsSince(ULONGLONG start) {
    return static_cast<double>(GetTickCount64() - start) / 1000.0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    using namespace ps;
    const long lines = argc > 1 ? _wtol(argv[1]) : 1000000;
    const long drawings = argc > 2 ? _wtol(argv[2]) : 10000;
    WinFileSystem files;
    MemoryRunOwnership runs;
    const std::string folder = TempFolder() + "history-bench";
    CreateDirectoryW(Widen(folder).c_str(), nullptr);
    const std::string file = folder + "\\History.log";

    // A history of that many drawings, as years of nightly runs leave it.
    std::string text;
    text.reserve(static_cast<std::size_t>(lines) * 96);
    for (long i = 0; i < lines; ++i)
        text += HistoryLine(
            "C:\\ARCHIVE\\PROJECT " + std::to_string(i / 1000) + "\\D" + std::to_string(i) + ".DWG",
            HistoryEntry{static_cast<std::uint64_t>(i), static_cast<std::uint64_t>(i) * 7919, 1, 2});
    files.writeFile(file, text);
    RunHistory history(files, runs, file);
    ULONGLONG start = GetTickCount64();
    history.load();
    std::printf("read %ld lines (%.1f MB): %.2f s\n", lines, static_cast<double>(text.size()) / 1e6,
                SecondsSince(start));

    // That many real drawings recorded, then each checked as a run checks it.
    const std::string drawingsFolder = folder + "\\drawings";
    CreateDirectoryW(Widen(drawingsFolder).c_str(), nullptr);
    for (long i = 0; i < drawings; ++i)
        files.writeFile(drawingsFolder + "\\d" + std::to_string(i) + ".dwg",
                        "AC1018" + std::string(20000 + static_cast<std::size_t>(i % 100), 'x'));
    start = GetTickCount64();
    for (long i = 0; i < drawings; ++i)
        history.record(drawingsFolder + "\\d" + std::to_string(i) + ".dwg", 2);
    std::printf("recorded %ld drawings: %.2f s\n", drawings, SecondsSince(start));
    start = GetTickCount64();
    long unchanged = 0;
    for (long i = 0; i < drawings; ++i)
        unchanged += history.unchanged(drawingsFolder + "\\d" + std::to_string(i) + ".dwg", 2) ? 1 : 0;
    std::printf("checked %ld drawings (%ld unchanged): %.2f s\n", drawings, unchanged, SecondsSince(start));
    // The floor under that: opening and closing each drawing, nothing read.
    start = GetTickCount64();
    for (long i = 0; i < drawings; ++i)
        CloseHandle(CreateFileW(Widen(drawingsFolder + "\\d" + std::to_string(i) + ".dwg").c_str(),
                                GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                nullptr));
    std::printf("opened and closed %ld drawings: %.2f s\n", drawings, SecondsSince(start));
    return unchanged == drawings ? 0 : 1;
}
