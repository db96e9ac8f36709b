// Benchmark: the drawing list in the main window at scale. Import a list
// file of N rows, sort by two columns, export; each step's time, and the
// longest time the window took to answer a message from another thread
// meanwhile. Then Add Folders through the window over the folder search's
// tree against the batch command's search of the same tree.
//
//   window-list.exe [rows] [tree root]        (under Wine, with a display)
#include "drawinglist/folder_search.h"
#include "drawinglist/list_file.h"
#include "platform/text.h"
#include "platform/win_paths.h"
#include "platform/win_file_system.h"
#include "ui/commands.h"
#include "ui/main_window.h"
#include "window_watch.h"

#include <objbase.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <thread>

namespace {

using namespace ps;
using namespace bench;

std::string WriteList(const std::string& folder, int rows) {
    DrawingList list;
    for (int i = 0; i < rows; ++i) {
        DrawingRow row;
        row.cells[kColFilename] = "Plan " + std::to_string((i * 7919) % rows) + ".dwg";
        row.cells[kColPath] = "P:\\Projects\\Job " + std::to_string(i % 977) + "\\Drawings";
        row.cells[kColVersion] = i % 3 == 0 ? "2004" : "2010";
        row.cells[kColStatus] = i % 5 == 0 ? "OK" : "";
        row.cells[kColSizeBefore] = std::to_string(100 + i % 900);
        row.cells[kColSizeAfter] = " ";
        row.cells[kColDateBefore] = "2026-11-01 10:00:00";
        list.append(row);
    }
    const std::string file = folder + "\\window-list-" + std::to_string(rows) + ".log";
    std::ofstream out(Widen(file).c_str(), std::ios::binary);
    out << ListText(list);
    return file;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const int rows = argc > 1 ? _wtoi(argv[1]) : 100000;
    const std::string tree = argc > 2 ? Narrow(argv[2]) : std::string();
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    OleInitialize(nullptr);
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    // A working list left by an earlier window would join the pictures' list.
    DeleteFileW(Widen(WorkingListPath()).c_str());
    Answers dialogs;
    dialogs.listFile = WriteList(Narrow(temp), rows);
    MainWindow window(dialogs);
    window.create(GetModuleHandleW(nullptr), StartupCommand{"", true});
    window.pump();
    {
        Watch watch(window.handle());
        auto command = [&](unsigned id) {
            SendMessageW(window.handle(), WM_COMMAND, id, 0);
        };
        auto sort = [&](Column c) {
            NMLISTVIEW click{};
            click.hdr = {window.listView(), 10, LVN_COLUMNCLICK};
            click.iSubItem = static_cast<int>(c);
            SendMessageW(window.handle(), WM_NOTIFY, 10, reinterpret_cast<LPARAM>(&click));
        };
        const double imported = Timed([&] { command(cmdImportList); });
        window.pump();
        const ULONGLONG gapImport = watch.worstAndReset();
        const double sorted1 = Timed([&] { sort(kColFilename); });
        window.pump();
        const double sorted2 = Timed([&] { sort(kColPath); });
        window.pump();
        const ULONGLONG gapSort = watch.worstAndReset();
        dialogs.listFile += ".out";
        const double exported = Timed([&] { command(cmdExportList); });
        window.pump();
        const ULONGLONG gapExport = watch.worstAndReset();
        std::printf(
            "%d rows: import %.2f s, sort by Filename %.2f s, sort by Path %.2f s, export %.2f s, total "
            "%.2f s\n",
            rows, imported, sorted1, sorted2, exported, imported + sorted1 + sorted2 + exported);
        std::printf("longest wait for an answer: import %llu ms, sorts %llu ms, export %llu ms\n", gapImport,
                    gapSort, gapExport);
    }
    if (!tree.empty()) {
        // Add Folders through the window against the search alone.
        window.rows() = DrawingList{};
        window.settings().IncludeDXF = -1;
        window.settings().showVersion = -1;
        dialogs.folder = tree;
        const double throughWindow =
            Timed([&] { SendMessageW(window.handle(), WM_COMMAND, cmdAddFolder, 0); });
        const std::size_t found = window.rows().size();
        WinFileSystem files;
        DrawingList list;
        RunState state;
        class NoPump final : public MessagePump {
        public:
            void pumpOnce() override {}
        } pump;
        state.running(true);
        SearchContext search{list, files, window.settings(), state, pump};
        const double alone = Timed([&] {
            FindFilesAPI(search, tree, "*.dwg");
            FindFilesAPI(search, tree, "*.dxf");
        });
        std::printf(
            "Add Folders through the window: %.2f s (%zu rows); the search alone: %.2f s (%zu rows); ratio "
            "%.3f\n",
            throughWindow, found, alone, list.size(), throughWindow / alone);
    }
    OleUninitialize();
    return 0;
}
