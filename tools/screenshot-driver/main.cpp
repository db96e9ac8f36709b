// Pictures of the main window for people to look at (scripts/screenshot):
// the window with a few hundred rows of mixed statuses and a preview, and
// the about window, each written as a BMP file by PrintWindow.
//   screenshot-driver <output folder> <sample drawings folder>
#include "drawinglist/list_file.h"
#include "platform/text.h"
#include "platform/win_file_system.h"
#include "platform/win_paths.h"
#include "ui/about_window.h"
#include "ui/commands.h"
#include "ui/main_window.h"
#include "ui/settings_dialog.h"
#include "ui/win_ui.h"
#include "platform/win_registry.h"
#include "settings/settings_store.h"

#include <objbase.h>

#include <cstdio>
#include <fstream>

namespace {

using namespace ps;

class AnswersFromFiles final : public DesktopDialogs {
public:
    std::string listFile;
    std::string reportFile;
    std::optional<std::string> drawings;
    std::optional<std::string> openDrawings(HWND, const std::string&) override { return drawings; }
    std::optional<std::string> listFileName(HWND, bool, const std::string&, const std::string&) override {
        return listFile;
    }
    std::optional<std::string> reportFileName(HWND, const std::string&, const std::string&) override {
        return reportFile;
    }
    std::string browseFolder(HWND, const std::string&) override { return {}; }
    // With realQuestions, the program's own message boxes show, for a timer
    // to photograph and answer.
    bool realQuestions = false;
    bool askYesNo(HWND owner, const std::string& message, const std::string& title) override {
        return realQuestions && WinDesktopDialogs().askYesNo(owner, message, title);
    }
    int askYesNoCancel(HWND owner, const std::string& message, const std::string& title) override {
        return realQuestions ? WinDesktopDialogs().askYesNoCancel(owner, message, title) : IDNO;
    }
    void inform(HWND, const std::string&, const std::string&, UINT) override {}
    std::string inputBox(HWND, const std::string&, const std::string&, const std::string&) override {
        return {};
    }
    std::optional<std::string> openScriptFile(HWND, const std::string&) override { return std::nullopt; }
    void showDetails(HWND owner, const std::string& title, const std::string& text) override {
        if (realQuestions)
            WinDesktopDialogs().showDetails(owner, title, text);
    }
};

void Pump(int ms) {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(ms);
    while (GetTickCount64() < end) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(10);
    }
}

// The window as it is on the screen, frame included, into a 24-bit BMP.
void Capture(HWND window, const std::string& file) {
    RECT r;
    GetWindowRect(window, &r);
    // A maximised window's frame reaches past the screen's edges: only what is on it.
    const RECT screenRect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    IntersectRect(&r, &r, &screenRect);
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    const HDC screen = GetDC(nullptr);
    const HDC dc = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = SelectObject(dc, bitmap);
    BitBlt(dc, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    SelectObject(dc, old);
    const DWORD stride = static_cast<DWORD>((w * 3 + 3) & ~3);
    BITMAPFILEHEADER fh{0x4D42, static_cast<DWORD>(sizeof fh + sizeof bi.bmiHeader + stride * h), 0, 0,
                        static_cast<DWORD>(sizeof fh + sizeof bi.bmiHeader)};
    std::ofstream out(Widen(file).c_str(), std::ios::binary);
    out.write(reinterpret_cast<const char*>(&fh), sizeof fh);
    out.write(reinterpret_cast<const char*>(&bi.bmiHeader), sizeof bi.bmiHeader);
    out.write(static_cast<const char*>(bits), static_cast<std::streamsize>(stride * h));
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
}

// A list of a few hundred rows with the statuses a night's run leaves.
std::string WriteSampleList(const std::string& folder, const std::string& samples) {
    static const char* kStatuses[] = {
        "OK", "OK",        "OK", "Timeouted",     "OK", "Skipped: Cannot open that version",
        "OK", "Not saved", "",   "Access Denied", "OK", "Skip"};
    static const char* kVersions[] = {"2000", "2004", "2007", "2010", "14", "13"};
    DrawingList list;
    WIN32_FIND_DATAW found;
    std::vector<std::string> real;
    const HANDLE find = FindFirstFileW(Widen(samples + "\\*.dwg").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do
            real.push_back(Narrow(found.cFileName));
        while (FindNextFileW(find, &found));
        FindClose(find);
    }
    for (int i = 0; i < 320; ++i) {
        DrawingRow row;
        const bool sample = i < static_cast<int>(real.size());
        row.cells[kColFilename] =
            sample ? real[static_cast<std::size_t>(i)] : "Plan " + std::to_string(1000 + i) + ".dwg";
        row.cells[kColPath] =
            sample ? samples : "P:\\Projects\\Harbour " + std::to_string(i / 40 + 1) + "\\Drawings";
        row.cells[kColVersion] = kVersions[i % 6];
        row.cells[kColStatus] = kStatuses[i % 12];
        row.cells[kColSizeBefore] = std::to_string(180 + (i * 37) % 900);
        row.cells[kColSizeAfter] = row.cells[kColStatus] == "OK" ? std::to_string(150 + (i * 29) % 700) : " ";
        row.cells[kColDateBefore] =
            "2026-11-" + std::to_string(10 + i % 18) + " 14:2" + std::to_string(i % 10);
        row.cells[kColDateAfter] =
            row.cells[kColStatus] == "OK" ? "2026-12-07 02:1" + std::to_string(i % 10) : "";
        list.append(row);
    }
    const std::string file = folder + "\\sample-list.log";
    std::ofstream out(Widen(file).c_str(), std::ios::binary);
    out << ListText(list);
    return file;
}

std::string g_out;
std::string g_picture;                              // the file the next dialog is photographed into
std::string g_dialogTitle = std::string(kAppTitle); // its title (the program's message boxes by default)
WPARAM g_answer = IDCANCEL;                         // and the button that then answers it

// Photographs the dialog when it is up and answers it.
void CALLBACK AnswerMessageBox(HWND hwnd, UINT, UINT_PTR id, DWORD) {
    const HWND box = FindWindowW(L"#32770", Widen(g_dialogTitle).c_str());
    if (box == nullptr)
        return;
    KillTimer(hwnd, id);
    Pump(300);
    Capture(box, g_out + "\\" + g_picture);
    PostMessageW(box, WM_COMMAND, g_answer, 0);
}

// The sample drawings of a folder as the open-file dialog answers for several files.
int ScreenDpi() {
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi;
}

std::optional<std::string> SampleAnswer(const std::string& folder) {
    std::string answer = folder + '\0';
    int n = 0;
    WIN32_FIND_DATAW found;
    const HANDLE find = FindFirstFileW(Widen(folder + "\\*.dwg").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return std::nullopt;
    do {
        answer += Narrow(found.cFileName) + '\0';
        ++n;
    } while (FindNextFileW(find, &found) && n < 6);
    FindClose(find);
    return answer + '\0';
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: screenshot-driver <output folder> <sample drawings folder>\n");
        return 2;
    }
    const std::string out = Narrow(argv[1]);
    const std::string samples = Narrow(argv[2]);
    g_out = out;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES | ICC_LINK_CLASS};
    InitCommonControlsEx(&controls);
    OleInitialize(nullptr);
    // A working list left by an earlier window would join the pictures' list.
    DeleteFileW(Widen(WorkingListPath()).c_str());
    AnswersFromFiles dialogs;
    dialogs.listFile = WriteSampleList(out, samples);
    {
        MainWindow window(dialogs);
        if (!window.create(GetModuleHandleW(nullptr), StartupCommand{"", true}))
            return 1;
        SetWindowPos(window.handle(), HWND_TOP, 20, 20, 0, 0, SWP_NOSIZE);
        SendMessageW(window.handle(), WM_COMMAND, cmdImportList, 0);
        ListView_SetItemState(window.listView(), 1, LVIS_SELECTED | LVIS_FOCUSED,
                              LVIS_SELECTED | LVIS_FOCUSED);
        window.state().setProductHead("AutoCAD 2010", "<<Unnamed Profile>>");
        window.state().showHead();
        Pump(1500);
        Capture(window.handle(), out + "\\main.bmp");
        // The same window maximised, at its smallest, and dragged larger;
        // then back at its first size for the run.
        RECT first{};
        GetWindowRect(window.handle(), &first);
        ShowWindow(window.handle(), SW_MAXIMIZE);
        Pump(700);
        Capture(window.handle(), out + "\\main-maximised.bmp");
        ShowWindow(window.handle(), SW_RESTORE);
        SetWindowPos(window.handle(), HWND_TOP, 20, 20, 10, 10, 0);
        Pump(700);
        Capture(window.handle(), out + "\\main-smallest.bmp");
        SetWindowPos(window.handle(), HWND_TOP, 20, 20, 1000, 640, 0);
        Pump(700);
        Capture(window.handle(), out + "\\main-larger.bmp");
        SetWindowPos(window.handle(), HWND_TOP, 20, 20, first.right - first.left, first.bottom - first.top,
                     0);
        // The Run menu, opened from the keyboard.
        SetTimer(window.handle(), 1002, 900, [](HWND hwnd, UINT, UINT_PTR id, DWORD) {
            KillTimer(hwnd, id);
            Capture(hwnd, g_out + "\\menu-run.bmp");
            EndMenu();
        });
        RECT item{};
        GetMenuItemRect(window.handle(), GetMenu(window.handle()), 1, &item);
        TrackPopupMenu(GetSubMenu(GetMenu(window.handle()), 1), TPM_LEFTALIGN | TPM_TOPALIGN, item.left,
                       item.bottom, 0, window.handle(), nullptr);
        Pump(300);
        SetTimer(window.handle(), 1000, 1200, [](HWND, UINT, UINT_PTR, DWORD) {
            const HWND about = FindWindowW(nullptr, L"About Plansweeper");
            if (about != nullptr) {
                Capture(about, "about.bmp");
                PostMessageW(about, WM_COMMAND, IDCANCEL, 0);
            }
        });
        SetCurrentDirectoryW(Widen(out).c_str());
        SendMessageW(window.handle(), WM_COMMAND, cmdAbout, 0);
        KillTimer(window.handle(), 1000);

        // A run over sample drawings with the stand-in AutoCAD: during it and after it.
        g_out = out;
        window.rows() = DrawingList{};
        dialogs.drawings = SampleAnswer(samples);
        // One drawing whose AutoCAD cannot find its xref and an image.
        WinFileSystem().writeFile(samples + "\\Elevation 2004.dwg.standin",
                                  "xref-missing=Site plan\r\nimage-missing=Logo.png\r\n");
        SendMessageW(window.handle(), WM_COMMAND, cmdAddDrawings, 0);
        SetTimer(window.handle(), 1001, 900, [](HWND hwnd, UINT, UINT_PTR id, DWORD) {
            KillTimer(hwnd, id);
            Capture(hwnd, g_out + "\\run.bmp");
        });
        SendMessageW(window.handle(), WM_COMMAND, cmdRun, 0);
        Pump(800);
        Capture(window.handle(), out + "\\run-finished.bmp");
        // Wider, sorted by what is missing.
        RECT before;
        GetWindowRect(window.handle(), &before);
        SetWindowPos(window.handle(), nullptr, 0, 0, MulDiv(1100, ScreenDpi(), 96),
                     before.bottom - before.top, SWP_NOMOVE | SWP_NOZORDER);
        NMLISTVIEW click{};
        click.hdr = {window.listView(), 10, LVN_COLUMNCLICK};
        click.iSubItem = static_cast<int>(kColMissing);
        SendMessageW(window.handle(), WM_NOTIFY, 10, reinterpret_cast<LPARAM>(&click));
        ListView_Scroll(window.listView(), 10000, 0); // to the last column
        Pump(300);
        Capture(window.handle(), out + "\\missing.bmp");
        ListView_Scroll(window.listView(), -10000, 0);
        SetWindowPos(window.handle(), nullptr, 0, 0, before.right - before.left, before.bottom - before.top,
                     SWP_NOMOVE | SWP_NOZORDER);
        // The run's report, for a browser to render.
        dialogs.reportFile = out + "\\report.html";
        SendMessageW(window.handle(), WM_COMMAND, cmdExportReport, 0);
        // The first row's details.
        const HWND list = FindWindowExW(window.handle(), nullptr, WC_LISTVIEWW, nullptr);
        ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        dialogs.realQuestions = true;
        g_picture = "details.bmp";
        g_dialogTitle = "Details of " + window.rows()[0].cell(kColFilename);
        g_answer = IDCANCEL;
        SetTimer(window.handle(), 1005, 300, AnswerMessageBox);
        SendMessageW(window.handle(), WM_COMMAND, cmdShowDetails, 0);
        g_dialogTitle = std::string(kAppTitle);
        dialogs.realQuestions = false;

        // Every tab of the settings dialog.
        WinRegistry registry;
        RegistrySettingsStore store(registry);
        SettingsDialog settings({registry, store, window.settings(), dialogs, "C:\\Plansweeper.exe", {}});
        const HWND dialog = settings.create(window.handle());
        ShowWindow(dialog, SW_SHOW);
        const HWND tabs = GetDlgItem(dialog, 1201);
        static const char* kNames[] = {"general", "purge", "saveas", "delete", "variables", "shortcut"};
        for (int tab = 0; tab < 6; ++tab) {
            TabCtrl_SetCurSel(tabs, tab);
            NMHDR change{tabs, 1201, TCN_SELCHANGE};
            SendMessageW(dialog, WM_NOTIFY, 1201, reinterpret_cast<LPARAM>(&change));
            Pump(700);
            Capture(dialog, out + "\\settings-" + kNames[tab] + ".bmp");
        }
        // OK with a format the chosen product cannot write: the warning, then back.
        dialogs.realQuestions = true;
        SendMessageW(settings.control(2001), CB_SELECTSTRING, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(L"AutoCAD 2010"));
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(2001, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(settings.control(2001)));
        SendMessageW(settings.control(2103), CB_SELECTSTRING, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(L"AutoCAD R2018 DWG"));
        g_picture = "settings-warning.bmp";
        g_answer = IDYES;
        SetTimer(window.handle(), 1003, 300, AnswerMessageBox);
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
        SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        Pump(300);
        // Closing with a list that was never exported: the question, cancelled.
        g_picture = "closing-question.bmp";
        g_answer = IDCANCEL;
        SetTimer(window.handle(), 1004, 300, AnswerMessageBox);
        SendMessageW(window.handle(), WM_CLOSE, 0, 0);
        dialogs.realQuestions = false;
    }
    OleUninitialize();
    return 0;
}
