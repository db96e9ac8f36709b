// Benchmark: the window with large drawings. The longest time the main
// window took to answer a message from another thread while a run worked
// through N drawings of S MB each with the stand-in AutoCAD (each read,
// copied, saved and checked), and while rows of large drawings were
// selected one after another (each one's preview shown).
//
//   window-files.exe [drawings] [MB each] [selected rows] [MB each]   (under Wine, with a display)
#include "registration.h"
#include "sample_drawings.h"

#include "acad/products.h"
#include "platform/text.h"
#include "platform/win_file_system.h"
#include "platform/win_paths.h"
#include "platform/win_registry.h"
#include "ui/commands.h"
#include "window_watch.h"

#include <objbase.h>

#include <cstdio>

namespace {

using namespace ps;
using namespace bench;

// Drawings of that many MB, 2004 format with a thumbnail near their start.
void MakeDrawings(WinFileSystem& files, const std::string& folder, const std::string& prefix, int count,
                  int megabytes, MainWindow& window) {
    files.createFolder(folder);
    for (int i = 0; i < count; ++i) {
        const std::string path = folder + "\\" + prefix + std::to_string(i) + ".dwg";
        files.writeFile(path, samples::SampleDwg("AC1018",
                                                 samples::Thumbnail{96, 60, static_cast<std::uint32_t>(i)},
                                                 static_cast<std::size_t>(megabytes) << 20));
        addToListView(window.rows(), files, window.settings(), path);
    }
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const int drawings = argc > 1 ? _wtoi(argv[1]) : 20;
    const int runMb = argc > 2 ? _wtoi(argv[2]) : 50;
    const int selected = argc > 3 ? _wtoi(argv[3]) : 10;
    const int selectMb = argc > 4 ? _wtoi(argv[4]) : 100;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES | ICC_LINK_CLASS};
    InitCommonControlsEx(&controls);
    const OleScope ole;
    const std::string work = TempFolder() + "window-files-bench";
    WinFileSystem files;
    WinRegistry registry;
    standin::UnregisterStandins(registry);
    standin::RegisterStandins(
        registry, work + "\\products", [&](const standin::StandinProduct& p, const std::string& f) {
            files.createFolder(f);
            return files.copyFile(ProgramFolder() + "\\..\\standin\\acad.exe", f + "\\" + p.exeName);
        });
    files.writeFile(ProgramFolder() + "\\Plansweeper.VLX", "companion");
    DeleteFileW(Widen(WorkingListPath()).c_str());
    Answers dialogs;
    MainWindow window(dialogs);
    window.create(GetModuleHandleW(nullptr), StartupCommand{"", true});
    window.settings().ProdName = "AutoCAD 2010";
    window.settings().R[4] = "AutoCAD R2010 DWG";
    window.pump();

    // Selecting rows of large drawings: each shows its preview.
    MakeDrawings(files, work + "\\large", "large", selected, selectMb, window);
    SendMessageW(window.handle(), WM_SIZE, 0, 0);
    ULONGLONG selecting = 0;
    double selectSeconds = 0;
    {
        Watch watch(window.handle());
        selectSeconds = Timed([&] {
            for (int i = 0; i < selected; ++i) {
                ListView_SetItemState(window.listView(), -1, 0, LVIS_SELECTED);
                ListView_SetItemState(window.listView(), i, LVIS_SELECTED | LVIS_FOCUSED,
                                      LVIS_SELECTED | LVIS_FOCUSED);
                for (int k = 0; k < 20; ++k) {
                    window.pump();
                    Sleep(5);
                }
            }
        });
        selecting = watch.worstAndReset();
    }
    window.rows() = DrawingList{};

    // A run over large drawings.
    MakeDrawings(files, work + "\\run", "run", drawings, runMb, window);
    ULONGLONG running = 0;
    double runSeconds = 0;
    ULONGLONG gap = 0;
    {
        Watch watch(window.handle());
        window.takeLongestPumpGap();
        runSeconds = Timed([&] { SendMessageW(window.handle(), WM_COMMAND, cmdRun, 0); });
        gap = window.takeLongestPumpGap();
        running = watch.worstAndReset();
    }
    int ok = 0;
    for (const auto& row : window.rows())
        ok += row.cell(kColStatus) == "OK" ? 1 : 0;
    std::printf("selecting %d rows of %d MB drawings: %.1f s, longest wait for an answer %llu ms\n", selected,
                selectMb, selectSeconds, selecting);
    std::printf("a run over %d drawings of %d MB (%d OK): %.1f s, longest wait for an answer %llu ms, "
                "longest time between two looks of the window at its queue %llu ms (messages sent to it are "
                "answered also while it starts AutoCAD or writes its working list)\n",
                drawings, runMb, ok, runSeconds, running, gap);
    standin::UnregisterStandins(registry);
    DeleteFileW(Widen(WorkingListPath()).c_str());
    RemoveDirectoryW(Widen(work).c_str());
    return 0;
}
