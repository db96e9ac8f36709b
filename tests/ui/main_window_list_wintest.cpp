// The main window in this process, its dialogs answered by the test: the
// list commands, export and import, the preview and a run with the stand-in.
#include "drawinglist/list_file.h"
#include "platform/text.h"
#include "platform/win_paths.h"
#include "platform/win_registry.h"
#include "settings/settings_store.h"
#include "support/corpus.h"
#include "support/standin_fixture.h"
#include "support/win_process.h"
#include "support/win_temp_dir.h"
#include "ui/about_window.h"
#include "ui/commands.h"
#include "ui/main_window.h"
#include "ui/win_ui.h"
#include "preview/pictlet.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <deque>
#include <functional>
#include <set>

extern "C" HRESULT WINAPI AtlAxGetControl(HWND window, IUnknown** control);

namespace ps {
namespace {

using test::WriteFileBytes;

const std::string kDwg2004 = "AC1018" + std::string(5114, 'b');

// Answers the window's dialogs from queues; a question nobody expected fails the test.
class ScriptedDialogs final : public DesktopDialogs {
public:
    std::optional<std::string> openDrawings(HWND, const std::string&) override {
        return next(drawings).value_or(std::nullopt);
    }
    std::optional<std::string> listFileName(HWND, bool, const std::string& folder,
                                            const std::string& name) override {
        offered.push_back(folder + "\\" + name);
        return next(listFiles).value_or(std::nullopt);
    }
    std::optional<std::string> reportFileName(HWND, const std::string& folder,
                                              const std::string& name) override {
        offered.push_back(folder + "\\" + name);
        return next(listFiles).value_or(std::nullopt);
    }
    int askYesNoCancel(HWND, const std::string& message, const std::string&) override {
        questions.push_back(message);
        return next(choices).value_or(IDCANCEL);
    }
    std::string browseFolder(HWND, const std::string&) override { return next(folders).value_or(""); }
    bool askYesNo(HWND, const std::string& message, const std::string&) override {
        questions.push_back(message);
        if (whileAsking)
            whileAsking();
        return next(answers).value_or(false);
    }
    void inform(HWND, const std::string& message, const std::string&, UINT) override {
        messages.push_back(message);
        if (whileInforming)
            whileInforming();
    }
    std::string inputBox(HWND, const std::string&, const std::string&, const std::string&) override {
        return next(inputs).value_or("");
    }
    std::optional<std::string> openScriptFile(HWND, const std::string&) override {
        return next(scripts).value_or(std::nullopt);
    }
    void showDetails(HWND, const std::string& title, const std::string& text) override {
        details.push_back(title + "\n" + text);
    }

    template <typename T> static std::optional<T> next(std::deque<T>& queue) {
        if (queue.empty())
            return std::nullopt;
        T value = std::move(queue.front());
        queue.pop_front();
        return value;
    }
    std::deque<std::optional<std::string>> drawings;
    std::deque<std::optional<std::string>> listFiles;
    std::deque<std::string> folders;
    std::deque<bool> answers;
    std::deque<int> choices;          // IDYES, IDNO, IDCANCEL
    std::vector<std::string> offered; // where each save dialog started, with its name
    std::deque<std::string> inputs;
    std::deque<std::optional<std::string>> scripts;
    std::vector<std::string> questions;
    std::vector<std::string> messages;
    std::vector<std::string> details;  // each shown: its title, a line end, its text
    std::function<void()> whileAsking; // the time a user takes to answer
    std::function<void()> whileInforming;
};

class WindowInProcess : public testing::Test {
protected:
    void SetUp() override {
        store_.DeleteSetting(kSettingsApp);
        DeleteFileW(Widen(WorkingListPath()).c_str());
        window_ = std::make_unique<MainWindow>(dialogs_);
        ASSERT_TRUE(window_->create(GetModuleHandleW(nullptr), StartupCommand{"", true}));
    }
    void TearDown() override {
        window_.reset();
        DeleteFileW(Widen(WorkingListPath()).c_str());
        store_.DeleteSetting(kSettingsApp);
    }
    void sortBy(Column column) {
        NMLISTVIEW click{};
        click.hdr = {window_->listView(), 10, LVN_COLUMNCLICK};
        click.iSubItem = column;
        SendMessageW(window_->handle(), WM_NOTIFY, 10, reinterpret_cast<LPARAM>(&click));
    }
    // The Filename of the list view's selected and focused rows, as shown.
    std::string shown(UINT flags) {
        const int i = ListView_GetNextItem(window_->listView(), -1, flags);
        return i < 0 ? "<none>" : cell(static_cast<std::size_t>(i), kColFilename);
    }
    void command(unsigned id) { SendMessageW(window_->handle(), WM_COMMAND, id, 0); }
    std::string cell(std::size_t row, Column c) { return window_->rows()[row].cell(c); }
    void select(std::initializer_list<int> rows) {
        ListView_SetItemState(window_->listView(), -1, 0, LVIS_SELECTED);
        for (int r : rows)
            ListView_SetItemState(window_->listView(), r, LVIS_SELECTED | LVIS_FOCUSED,
                                  LVIS_SELECTED | LVIS_FOCUSED);
    }
    std::string drawing(const std::string& name, const std::string& bytes = kDwg2004) {
        return dir_.write(name, bytes);
    }
    // Waits, pumping this thread's messages, until the condition holds.
    template <typename C> bool pumpUntil(C condition, DWORD ms) {
        const ULONGLONG end = GetTickCount64() + ms;
        while (!condition() && GetTickCount64() < end) {
            window_->pump();
            Sleep(10);
        }
        return condition();
    }

    WinRegistry reg_;
    RegistrySettingsStore store_{reg_};
    WinFileSystem files_;
    WinAnsiCodec codec_;
    test::TempDir dir_;
    ScriptedDialogs dialogs_;
    std::unique_ptr<MainWindow> window_;
};

TEST_F(WindowInProcess, AddSortRemoveAndTheBusyGuard) {
    const std::string a = drawing("a.dwg");
    drawing("b.dwg");
    drawing("c.dxf");
    std::string answer = dir_.path() + '\0' + "b.dwg" + '\0' + "a.dwg" + '\0' + "c.dxf" + '\0' + '\0';
    dialogs_.drawings.push_back(answer);
    command(cmdAddDrawings);
    ASSERT_EQ(window_->rows().size(), 2u); // DXF files are not included
    EXPECT_EQ(cell(0, kColFilename), "b.dwg");
    EXPECT_EQ(window_->settings().InitialDir2, dir_.path());

    dialogs_.drawings.push_back(std::nullopt);
    command(cmdAddDrawings);
    EXPECT_EQ(dialogs_.messages.back(), "No files or too many files selected!");

    NMLISTVIEW click{};
    click.hdr = {window_->listView(), 10, LVN_COLUMNCLICK};
    click.iSubItem = kColFilename;
    SendMessageW(window_->handle(), WM_NOTIFY, 10, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ(cell(0, kColFilename), "a.dwg");
    SendMessageW(window_->handle(), WM_NOTIFY, 10, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ(cell(0, kColFilename), "b.dwg");
    HDITEMW header{};
    header.mask = HDI_FORMAT;
    Header_GetItem(ListView_GetHeader(window_->listView()), 0, &header);
    EXPECT_TRUE((header.fmt & HDF_SORTDOWN) != 0);

    // Delete while busy changes nothing; Remove when idle takes the selected row.
    select({0});
    window_->state().running(true);
    command(cmdRemove);
    ASSERT_EQ(window_->rows().size(), 2u);
    window_->state().running(false);
    command(cmdRemove);
    ASSERT_EQ(window_->rows().size(), 1u);
    EXPECT_EQ(window_->rows()[0].cell(kColPath) + "\\" + cell(0, kColFilename), a);
}

TEST_F(WindowInProcess, ContextMenuCommandsAndTheListFileRoundTrip) {
    for (const char* name : {"ok.dwg", "skip.dwg", "late.dwg", "free.dwg"})
        dialogs_.drawings.push_back(drawing(name) + '\0' + '\0');
    for (int i = 0; i < 4; ++i)
        command(cmdAddDrawings);
    dialogs_.folders.push_back(dir_.path());
    command(cmdAddFolderOnly);
    ASSERT_EQ(window_->rows().size(), 5u);
    window_->rows()[0].cell(kColStatus) = "OK";
    window_->rows()[1].cell(kColStatus) = "Skip";
    window_->rows()[2].cell(kColStatus) = "Timeouted";
    window_->rows()[3].cell(kColStatus) = "OK";
    select({0, 1, 2});
    command(cmdResetStatus);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(cell(i, kColStatus), "");
    EXPECT_EQ(cell(3, kColStatus), "OK");
    select({4});
    command(cmdSetSkip);
    EXPECT_EQ(cell(4, kColStatus), "Skip");
    command(cmdSelectAll);
    EXPECT_EQ(ListView_GetSelectedCount(window_->listView()), 5u);
    command(cmdClearAll);
    EXPECT_EQ(ListView_GetSelectedCount(window_->listView()), 0u);
    ASSERT_EQ(window_->rows().size(), 5u);

    const std::string file = dir_.file("list.log");
    dialogs_.listFiles.push_back(file);
    command(cmdExportList);
    const DrawingList before = window_->rows();
    window_->state().running(true);
    dialogs_.listFiles.push_back(file);
    command(cmdImportList); // refused while busy: the dialog is not even asked
    EXPECT_EQ(dialogs_.listFiles.size(), 1u);
    window_->state().running(false);
    command(cmdImportList);
    ASSERT_EQ(window_->rows().size(), 10u);
    for (std::size_t i = 0; i < 5; ++i)
        EXPECT_EQ(window_->rows()[i + 5].cells, before[i].cells);
}

// The highlight stays on the drawings the user picked while rows move
// under it, and a drawing handed over again is selected, not added twice.
TEST_F(WindowInProcess, TheSelectionFollowsTheDrawingNotTheRowNumber) {
    for (const char* name : {"a.dwg", "c.dwg", "d.dwg"})
        dialogs_.drawings.push_back(drawing(name) + '\0' + '\0');
    for (int i = 0; i < 3; ++i)
        command(cmdAddDrawings);
    sortBy(kColFilename);
    select({1});
    ASSERT_EQ(shown(LVNI_SELECTED), "c.dwg");
    // An import puts "b.dwg" into its sorted place above it.
    DrawingList more;
    addToListView(more, WinFileSystem(), window_->settings(), drawing("b.dwg"));
    const std::string file = dir_.file("more.log");
    ASSERT_EQ(WriteListFile(files_, codec_, file, more), std::nullopt);
    dialogs_.listFiles.push_back(file);
    command(cmdImportList);
    ASSERT_EQ(window_->rows().size(), 4u);
    EXPECT_EQ(cell(1, kColFilename), "b.dwg");
    EXPECT_EQ(shown(LVNI_SELECTED), "c.dwg");
    EXPECT_EQ(shown(LVNI_FOCUSED), "c.dwg");
    sortBy(kColFilename); // descending now
    EXPECT_EQ(shown(LVNI_SELECTED), "c.dwg");

    // A second start hands over "a.dwg" again: it is selected, not added.
    const std::string payload = HandOverPayload("\"" + dir_.file("a.dwg") + "\"");
    COPYDATASTRUCT data{0, static_cast<DWORD>(payload.size()), const_cast<char*>(payload.data())};
    SendMessageW(window_->handle(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
    EXPECT_EQ(window_->rows().size(), 4u);
    EXPECT_EQ(shown(LVNI_SELECTED), "a.dwg");
    EXPECT_EQ(ListView_GetSelectedCount(window_->listView()), 1u);
}

// The working list outlives a crash of the window: the next start restores
// it and says so; an ordinary close leaves nothing to restore.
TEST_F(WindowInProcess, TheWorkingListSurvivesACrashButNotAnOrdinaryClose) {
    for (const char* name : {"a.dwg", "b.dwg"})
        dialogs_.drawings.push_back(drawing(name) + '\0' + '\0');
    for (int i = 0; i < 2; ++i)
        command(cmdAddDrawings);
    select({1});
    command(cmdSetSkip);
    ASSERT_TRUE(pumpUntil(
        [] { return test::ReadFileBytes(WorkingListPath()).find(";Skip;") != std::string::npos; }, 3000));
    window_.reset(); // gone without Exit or the close box
    window_ = std::make_unique<MainWindow>(dialogs_);
    ASSERT_TRUE(window_->create(GetModuleHandleW(nullptr), StartupCommand{"", true}));
    ASSERT_EQ(window_->rows().size(), 2u);
    EXPECT_EQ(cell(1, kColStatus), "Skip");
    EXPECT_EQ(window_->state().statusLabel(),
              "Restored the 2 drawing(s) of the last session, which did not end normally.");
    dialogs_.choices.push_back(IDNO); // closed without saving the list
    SendMessageW(window_->handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(GetFileAttributesW(Widen(WorkingListPath()).c_str()), INVALID_FILE_ATTRIBUTES);
}

// Start AutoCAD puts the executable in quotes: a path with blanks starts
// that program and no other.
TEST_F(WindowInProcess, StartAutoCadQuotesTheExecutableAndNeedsTheFile) {
    const std::string gone = drawing("gone.dwg");
    dialogs_.drawings.push_back(gone + '\0' + '\0');
    command(cmdAddDrawings);
    const std::string folder = dir_.file("Program Files");
    CreateDirectoryW(Widen(folder).c_str(), nullptr);
    const std::string marker = dir_.file("started.txt");
    // A batch file stands for AutoCAD: it records that it ran.
    WriteFileBytes(folder + "\\acad stand.bat", "@echo started> \"" + marker + "\"\r\n");
    window_->settings().ExePath = folder + "\\acad stand.bat";
    DeleteFileW(Widen(gone).c_str());
    select({0});
    command(cmdStartAcad);
    Sleep(1500);
    EXPECT_EQ(GetFileAttributesW(Widen(marker).c_str()), INVALID_FILE_ATTRIBUTES);
    WriteFileBytes(gone, kDwg2004);
    command(cmdStartAcad);
    EXPECT_TRUE(test::WaitUntil(
        [&] { return GetFileAttributesW(Widen(marker).c_str()) != INVALID_FILE_ATTRIBUTES; }, 15000));
}

// At 200 % the toolbar's pictures are the system's small set doubled pixel
// for pixel: every 2 x 2 block of a picture is one colour.
// No control covers another at 100, 125, 150 and 200 % at the smallest,
// the first-start and the maximised size (a control inside the frame that
// holds it is no overlap).
TEST_F(WindowInProcess, NoControlCoversAnotherAtAnyDpiOrSize) {
    const HWND main = window_->handle();
    RECT first;
    GetWindowRect(main, &first);
    ShowWindow(main, SW_SHOWNORMAL);
    for (int dpi : {96, 120, 144, 192}) {
        RECT suggested{0, 0, MulDiv(first.right - first.left, dpi, 96),
                       MulDiv(first.bottom - first.top, dpi, 96)};
        SendMessageW(main, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        const RECT firstStart = suggested;
        for (const char* size : {"smallest", "first start", "maximised"}) {
            SCOPED_TRACE(std::to_string(dpi) + " dpi, " + size);
            ShowWindow(main, SW_RESTORE);
            if (std::string(size) == "maximised")
                ShowWindow(main, SW_MAXIMIZE);
            else if (std::string(size) == "smallest")
                SetWindowPos(main, nullptr, 0, 0, 10, 10, SWP_NOMOVE | SWP_NOZORDER);
            else
                SetWindowPos(main, nullptr, 0, 0, firstStart.right, firstStart.bottom,
                             SWP_NOMOVE | SWP_NOZORDER);
            std::vector<std::pair<std::string, RECT>> shown;
            for (HWND c = GetWindow(main, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
                RECT r;
                if (!IsWindowVisible(c) || !GetWindowRect(c, &r) || IsRectEmpty(&r))
                    continue;
                wchar_t text[64] = L"";
                GetWindowTextW(c, text, 64);
                shown.emplace_back(Narrow(text) + "#" + std::to_string(GetDlgCtrlID(c)), r);
            }
            for (std::size_t i = 0; i < shown.size(); ++i)
                for (std::size_t j = i + 1; j < shown.size(); ++j) {
                    RECT both, joined;
                    const RECT& a = shown[i].second;
                    const RECT& b = shown[j].second;
                    UnionRect(&joined, &a, &b);
                    const bool nested = EqualRect(&joined, &a) || EqualRect(&joined, &b);
                    EXPECT_FALSE(IntersectRect(&both, &a, &b) && !nested)
                        << shown[i].first << " and " << shown[j].first;
                }
        }
    }
}

TEST_F(WindowInProcess, AtTwoHundredPercentTheToolbarPicturesAreDoubledCrisply) {
    const HWND toolbar = FindWindowExW(window_->handle(), nullptr, TOOLBARCLASSNAMEW, nullptr);
    const auto list = [&] {
        return reinterpret_cast<HIMAGELIST>(SendMessageW(toolbar, TB_GETIMAGELIST, 0, 0));
    };
    const int pictures = ImageList_GetImageCount(list());
    RECT frame;
    GetWindowRect(window_->handle(), &frame);
    SendMessageW(window_->handle(), WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&frame));
    int cx = 0, cy = 0;
    ImageList_GetIconSize(list(), &cx, &cy);
    EXPECT_EQ(cx, 32);
    EXPECT_EQ(ImageList_GetImageCount(list()), pictures);
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof bi.bmiHeader, 32, -32, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    UniqueBitmap picture(CreateDIBSection(dc.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    const ScopedSelect into(dc.get(), picture.get());
    ImageList_Draw(list(), STD_DELETE, dc.get(), 0, 0, ILD_NORMAL);
    GdiFlush();
    const auto* px = static_cast<const std::uint32_t*>(bits);
    int uneven = 0;
    for (int y = 0; y < 32; y += 2)
        for (int x = 0; x < 32; x += 2) {
            const std::uint32_t c = px[y * 32 + x];
            uneven += px[y * 32 + x + 1] != c || px[(y + 1) * 32 + x] != c || px[(y + 1) * 32 + x + 1] != c;
        }
    EXPECT_EQ(uneven, 0);
}

TEST_F(WindowInProcess, AFolderAndAFileDroppedTogetherAskOnce) {
    const std::string sub = dir_.file("sub");
    CreateDirectoryW(Widen(sub).c_str(), nullptr);
    WriteFileBytes(sub + "\\inner.dwg", kDwg2004);
    const std::string file = drawing("loose.dwg");
    // A drop as the shell makes it: DROPFILES and the wide paths after it.
    std::wstring paths = Widen(sub) + L'\0' + Widen(file) + L'\0' + Widen(sub) + L'\0' + L'\0';
    const HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + paths.size() * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), paths.data(), paths.size() * sizeof(wchar_t));
    GlobalUnlock(memory);
    dialogs_.answers.push_back(true);
    SendMessageW(window_->handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
    EXPECT_EQ(dialogs_.questions, std::vector<std::string>{"Do you want to include folders and subfolders?"});
    ASSERT_EQ(window_->rows().size(), 3u); // the folder searched twice, the file once
    EXPECT_EQ(cell(1, kColFilename), "loose.dwg");
    EXPECT_FALSE(window_->state().busy());
}

// The preview paints the selected drawing's thumbnail and goes blank for a folder row.
TEST_F(WindowInProcess, ThePreviewFollowsTheSelection) {
    if (test::CorpusDir().empty())
        GTEST_SKIP() << "no corpus";
    dialogs_.drawings.push_back(test::CorpusPath("ldwg_sample_2000.dwg") + '\0' + '\0');
    command(cmdAddDrawings);
    dialogs_.folders.push_back(dir_.path());
    command(cmdAddFolderOnly);
    // What the window told the control, read back through its dispatch interface.
    auto drawingFile = [&]() -> std::string {
        IUnknown* unknown = nullptr;
        if (FAILED(AtlAxGetControl(window_->previewWindow(), &unknown)) || unknown == nullptr)
            return "<no control>";
        IDispatch* control = nullptr;
        unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&control));
        unknown->Release();
        VARIANT value;
        VariantInit(&value);
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        control->Invoke(pictlet::kDrawingFile, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                        &value, nullptr, nullptr);
        control->Release();
        const std::string text = value.vt == VT_BSTR && value.bstrVal ? Narrow(value.bstrVal) : std::string();
        VariantClear(&value);
        return text;
    };
    const std::string path = test::CorpusPath("ldwg_sample_2000.dwg");
    select({0});
    EXPECT_TRUE(pumpUntil([&] { return drawingFile() == path; }, 5000)) << drawingFile();
    EXPECT_FALSE(cell(0, kColVersion).empty());
    select({1});
    EXPECT_TRUE(pumpUntil([&] { return drawingFile().empty(); }, 5000)) << drawingFile();
    EXPECT_EQ(cell(1, kColVersion), "FOLDER");
}

// After the window grows or shrinks every control shows its text: the
// "Preview:" label is not painted over by the window's background, nor the
// information text left cut at the smallest size.
TEST_F(WindowInProcess, EveryControlRepaintsAfterTheWindowIsResized) {
    const HWND main = window_->handle();
    ShowWindow(main, SW_SHOWNORMAL);
    auto labelShowsText = [&](const wchar_t* text) {
        HWND label = nullptr;
        for (HWND c = GetWindow(main, GW_CHILD); c != nullptr && label == nullptr;
             c = GetWindow(c, GW_HWNDNEXT)) {
            wchar_t t[64]{};
            GetWindowTextW(c, t, 64);
            if (wcsncmp(t, text, wcslen(text)) == 0)
                label = c;
        }
        if (label == nullptr)
            return false;
        pumpUntil([] { return false; }, 300);
        RECT r;
        GetWindowRect(label, &r);
        const HDC screen = GetDC(nullptr);
        const COLORREF face = GetSysColor(COLOR_BTNFACE);
        int ink = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < std::min<LONG>(r.right, r.left + 60); ++x)
                ink += GetPixel(screen, x, y) != face ? 1 : 0;
        ReleaseDC(nullptr, screen);
        return ink > 10;
    };
    SetForegroundWindow(main);
    ShowWindow(main, SW_MAXIMIZE);
    EXPECT_TRUE(labelShowsText(L"Preview:"));
    ShowWindow(main, SW_RESTORE);
    SetWindowPos(main, HWND_TOP, 0, 0, 10, 10, SWP_NOMOVE); // the smallest size
    EXPECT_TRUE(labelShowsText(L"Application:"));
    SetWindowPos(main, HWND_TOP, 0, 0, 1000, 700, SWP_NOMOVE); // dragged larger
    EXPECT_TRUE(labelShowsText(L"Preview:"));
}

class WindowRun : public test::WithStandins<WindowInProcess> {
protected:
    void add(const std::string& path) {
        dialogs_.drawings.push_back(path + '\0' + '\0');
        command(cmdAddDrawings);
    }
    // Runs a drawing whose save takes that long, then another; the command
    // arrives after the delay, while AutoCAD works on the first. The path of
    // the first.
    std::string runInterruptedBy(int interruption, int saveSeconds, UINT delayMs) {
        const std::string slow = drawing("slow.dwg");
        WriteFileBytes(slow + ".standin", "slow-save=" + std::to_string(saveSeconds) + "\n");
        add(slow);
        add(drawing("next.dwg"));
        interruption_ = interruption;
        SetTimer(window_->handle(), 77, delayMs, [](HWND hwnd, UINT, UINT_PTR id, DWORD) {
            KillTimer(hwnd, id);
            PostMessageW(hwnd, WM_COMMAND, static_cast<WPARAM>(interruption_), 0);
        });
        command(cmdRun);
        return slow;
    }
    static inline int interruption_ = 0;
};

TEST_F(WindowRun, RunFromTheToolbarRecordsEveryDrawingAndTheMeterGrows) {
    for (const char* name : {"a.dwg", "b.dwg", "c.dwg"})
        add(drawing(name));
    // The run reports each row; the meter's bar after each.
    command(cmdRun);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(cell(i, kColStatus), "OK") << i;
    EXPECT_EQ(window_->meterWidth(), 239);
    EXPECT_FALSE(cell(0, kColSizeAfter).empty());
    EXPECT_FALSE(cell(0, kColDateAfter).empty());
    EXPECT_NE(window_->state().productLabel().find("Total files OK: \r\n3"), std::string::npos);
    EXPECT_EQ(window_->state().statusLabel(), "Status: Run finished: 3 OK, 0 failed");
    EXPECT_FALSE(window_->state().busy());
    const HWND toolbar = FindWindowExW(window_->handle(), nullptr, TOOLBARCLASSNAMEW, nullptr);
    EXPECT_TRUE(SendMessageW(toolbar, TB_ISBUTTONHIDDEN, cmdStop, 0));
    // The result stays on screen until the list changes: then the meter and the totals go.
    EXPECT_TRUE(window_->meterShown());
    command(cmdRun); // nothing pending: no totals of zero, and the status line says why
    EXPECT_EQ(window_->state().statusLabel(), "Status: Nothing to do: every drawing has a status");
    EXPECT_EQ(window_->state().productLabel(), window_->state().head());
    select({0});
    command(cmdRemove);
    EXPECT_FALSE(window_->meterShown());
    // A folder without drawings says so.
    const std::string empty = dir_.file("empty");
    CreateDirectoryW(Widen(empty).c_str(), nullptr);
    dialogs_.folders.push_back(empty);
    command(cmdAddFolder);
    EXPECT_EQ(window_->state().statusLabel(), "Status: No drawings found in " + empty);
}

// The window's export writes the kind its file name asks for: a CSV with
// what the run's cleaning did, in the desk's separators; a row's details
// say it too.
TEST_F(WindowRun, TheExportAndShowDetailsTellWhatTheCleaningDid) {
    const std::string a = drawing("a.dwg");
    add(a);
    command(cmdRun);
    ASSERT_EQ(cell(0, kColStatus), "OK");
    const std::string csv = dir_.file("run.csv");
    dialogs_.listFiles.push_back(csv);
    command(cmdExportReport);
    const ListSeparators desk = UserListSeparators();
    const std::string table = test::ReadFileBytes(csv);
    EXPECT_EQ(table.substr(0, 3), "\xEF\xBB\xBF") << table;
    EXPECT_NE(table.find("a.dwg" + desk.list), std::string::npos) << table;
    // What only the run knew of the row: its version before, the record's counts.
    EXPECT_NE(table.find("OK" + desk.list + "false" + desk.list + "2004" + desk.list), std::string::npos)
        << table;
    EXPECT_NE(table.find(desk.list + "0" + desk.list + desk.list + desk.list + "\r\n"), std::string::npos)
        << table;
    // Show Details says the same of the row; a failed row also says why.
    select({0});
    command(cmdShowDetails);
    ASSERT_EQ(dialogs_.details.size(), 1u);
    EXPECT_NE(dialogs_.details[0].find("Details of a.dwg\nDrawing: " + a + "\r\nStatus: OK\r\n"),
              std::string::npos)
        << dialogs_.details[0];
    EXPECT_NE(dialogs_.details[0].find("Version: 2004 before, 2004 now"), std::string::npos)
        << dialogs_.details[0];
    EXPECT_NE(dialogs_.details[0].find("Missing xrefs: none"), std::string::npos) << dialogs_.details[0];
    window_->rows()[0].cell(kColStatus) = "Timeouted";
    command(cmdShowDetails);
    ASSERT_EQ(dialogs_.details.size(), 2u);
    EXPECT_NE(dialogs_.details[1].find("Why: AutoCAD did not finish the drawing within the time-out"),
              std::string::npos)
        << dialogs_.details[1];
}

// "Missing" names what the row's AutoCAD could not find; a click on it puts
// the rows with most missing first.
TEST_F(WindowRun, TheMissingColumnNamesWhatAutoCadCouldNotFindAndSortsByIt) {
    add(drawing("a.dwg"));
    const std::string b = drawing("b.dwg");
    WriteFileBytes(b + ".standin", "xref-missing=Site plan\r\nimage-missing=logo.png\r\n");
    add(b);
    command(cmdRun);
    ASSERT_EQ(cell(1, kColStatus), "OK");
    const auto missing = [&](int row) {
        wchar_t text[200] = L"";
        ListView_GetItemText(window_->listView(), row, static_cast<int>(kColMissing), text, 200);
        return Narrow(text);
    };
    EXPECT_EQ(missing(0), "");
    EXPECT_EQ(missing(1), "2: Site plan, logo.png");
    NMLISTVIEW click{};
    click.hdr = {window_->listView(), 10, LVN_COLUMNCLICK};
    click.iSubItem = static_cast<int>(kColMissing);
    SendMessageW(window_->handle(), WM_NOTIFY, 10, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ(cell(0, kColFilename), "b.dwg");
    HDITEMW header{};
    header.mask = HDI_FORMAT;
    Header_GetItem(ListView_GetHeader(window_->listView()), static_cast<int>(kColMissing), &header);
    EXPECT_TRUE((header.fmt & HDF_SORTDOWN) != 0);
    add(drawing("c.dwg")); // lands at the end: the order no longer holds
    Header_GetItem(ListView_GetHeader(window_->listView()), static_cast<int>(kColMissing), &header);
    EXPECT_EQ(header.fmt & (HDF_SORTUP | HDF_SORTDOWN), 0);
}

// Run Failed Again runs the failed rows and no other; a list without
// failures says so.
TEST_F(WindowRun, RunFailedAgainRunsTheFailedRowsOnly) {
    for (const char* name : {"ok.dwg", "failed.dwg", "todo.dwg"})
        add(drawing(name));
    window_->rows()[0].cell(kColStatus) = "OK";
    window_->rows()[1].cell(kColStatus) = "Timeouted";
    command(cmdRunFailed);
    EXPECT_EQ(cell(1, kColStatus), "OK");
    EXPECT_EQ(cell(2, kColStatus), "");
    EXPECT_EQ(test::ReadFileBytes(dir_.file("todo.dwg")), kDwg2004);
    command(cmdRunFailed);
    EXPECT_EQ(window_->state().statusLabel(), "Status: No failed drawings to run again");
}

TEST_F(WindowRun, StopAnsweredYesTerminatesAndKeepsTheOriginal) {
    dialogs_.answers.push_back(true);
    const std::string slow = runInterruptedBy(cmdStop, 20, 3000);
    EXPECT_EQ(cell(0, kColStatus), "Terminated");
    EXPECT_EQ(cell(1, kColStatus), "");
    EXPECT_EQ(test::ReadFileBytes(slow), kDwg2004);
    EXPECT_EQ(dialogs_.questions.size(), 1u);
}

// AutoCAD saves and quits while the Stop question is open: "Yes" finds
// nothing left to stop, and each saved drawing stays saved.
TEST_F(WindowRun, StopAnsweredYesAfterAutoCadHasSavedKeepsTheSave) {
    for (int atOnce : {1, 4}) {
        SCOPED_TRACE(atOnce);
        store_.SaveSetting(kSettingsApp, kSettingsSection, "Parallel", std::to_string(atOnce));
        window_.reset(); // a new window reads the setting, with an empty list
        DeleteFileW(Widen(WorkingListPath()).c_str());
        window_ = std::make_unique<MainWindow>(dialogs_);
        ASSERT_TRUE(window_->create(GetModuleHandleW(nullptr), StartupCommand{"", true}));
        std::vector<std::string> paths;
        for (int i = 0; i < atOnce; ++i) {
            paths.push_back(drawing("saved" + std::to_string(atOnce) + std::to_string(i) + ".dwg"));
            WriteFileBytes(paths.back() + ".standin", "slow-save=5\n");
            add(paths.back());
        }
        dialogs_.answers.push_back(true);
        dialogs_.whileAsking = [] {
            Sleep(9000);
        };
        SetTimer(window_->handle(), 77, 2000, [](HWND hwnd, UINT, UINT_PTR id, DWORD) {
            KillTimer(hwnd, id);
            PostMessageW(hwnd, WM_COMMAND, cmdStop, 0);
        });
        command(cmdRun);
        dialogs_.whileAsking = nullptr;
        ASSERT_EQ(dialogs_.questions.size(), 1u);
        dialogs_.questions.clear();
        for (int i = 0; i < atOnce; ++i) {
            EXPECT_EQ(cell(static_cast<std::size_t>(i), kColStatus), "OK") << i;
            EXPECT_TRUE(test::ReadFileBytes(paths[static_cast<std::size_t>(i)]) != kDwg2004) << i;
        }
    }
}

// Closing during a run asks; "Yes" ends the run as Stop -> Yes does, then
// the window closes, having offered to save the changed list.
TEST_F(WindowRun, ClosingDuringARunAsksThenEndsItAndKeepsTheOriginal) {
    dialogs_.answers = {false, true}; // No: the run goes on; then Yes
    dialogs_.choices.push_back(IDNO); // the list is not saved
    const std::string slow = drawing("slow.dwg");
    WriteFileBytes(slow + ".standin", "slow-save=20\n");
    add(slow);
    SetTimer(window_->handle(), 77, 2000, [](HWND hwnd, UINT, UINT_PTR id, DWORD) {
        KillTimer(hwnd, id);
        PostMessageW(hwnd, WM_CLOSE, 0, 0);
        PostMessageW(hwnd, WM_CLOSE, 0, 0);
    });
    const HWND main = window_->handle();
    command(cmdRun);
    pumpUntil([&] { return !IsWindow(main); }, 5000);
    EXPECT_FALSE(IsWindow(main));
    ASSERT_EQ(dialogs_.questions.size(), 3u);
    EXPECT_EQ(dialogs_.questions[2], "Save the drawing list before closing?");
    EXPECT_EQ(cell(0, kColStatus), "Terminated");
    EXPECT_EQ(test::ReadFileBytes(slow), kDwg2004);
}

// At the first start the columns fit their headers and contents and Status
// takes the spare width as the window grows; a width the user sets is kept,
// also at the next start.
TEST_F(WindowInProcess, ColumnsFitAndStatusTakesTheSpareWidth) {
    const auto width = [&](int column) {
        return ListView_GetColumnWidth(window_->listView(), column);
    };
    const auto wide = [&](int pixels) {
        RECT r;
        GetWindowRect(window_->handle(), &r);
        SetWindowPos(window_->handle(), nullptr, 0, 0, pixels, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
    };
    EXPECT_GE(width(kColStatus),
              ListView_GetStringWidth(window_->listView(), L"Skipped: Would save over another file"));
    EXPECT_GE(width(kColDateBefore), ListView_GetStringWidth(window_->listView(), L"2026-12-31 23:59:59"));
    wide(1500); // the list wider than every column at its fitted width (the screen is 1600)
    const int status = width(kColStatus);
    wide(1550);
    EXPECT_EQ(width(kColStatus), status + 50);
    ListView_SetColumnWidth(window_->listView(), kColFilename, 50); // as the user drags its edge
    wide(1600);
    EXPECT_EQ(width(kColFilename), 50);
    EXPECT_EQ(width(kColStatus), status + 50);
    command(cmdExit);
    window_ = std::make_unique<MainWindow>(dialogs_);
    ASSERT_TRUE(window_->create(GetModuleHandleW(nullptr), StartupCommand{"", true}));
    EXPECT_NEAR(width(kColFilename), 50, 1);
}

// Every toolbar command is in a menu, each menu's access keys are its own,
// Del removes the selected rows and the arrow keys move along the toolbar.
TEST_F(WindowInProcess, TheKeyboardReachesEveryCommand) {
    std::set<UINT> inMenus;
    const HMENU bar = GetMenu(window_->handle());
    ASSERT_NE(bar, nullptr);
    for (int m = 0; m < GetMenuItemCount(bar); ++m) {
        const HMENU menu = GetSubMenu(bar, m);
        ASSERT_NE(menu, nullptr);
        std::set<wchar_t> keys;
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            wchar_t text[128] = L"";
            if (GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION) == 0)
                continue; // a separator
            inMenus.insert(GetMenuItemID(menu, i));
            const wchar_t* amp = wcschr(text, L'&');
            ASSERT_NE(amp, nullptr) << Narrow(text);
            EXPECT_TRUE(keys.insert(static_cast<wchar_t>(towlower(amp[1]))).second) << Narrow(text);
        }
    }
    for (UINT command :
         {cmdAddFolderOnly, cmdAddFolder, cmdAddDrawings, cmdRun, cmdRemove, cmdSettings, cmdStart, cmdStop})
        EXPECT_TRUE(inMenus.contains(command)) << command;

    dialogs_.drawings.push_back(drawing("a.dwg") + '\0' + '\0');
    command(cmdAddDrawings);
    select({0});
    SetFocus(window_->listView());
    PostMessageW(window_->listView(), WM_KEYDOWN, VK_DELETE, 0);
    EXPECT_TRUE(pumpUntil([&] { return window_->rows().size() == 0; }, 2000));

    const HWND toolbar = FindWindowExW(window_->handle(), nullptr, TOOLBARCLASSNAMEW, nullptr);
    SetFocus(toolbar);
    SendMessageW(toolbar, TB_SETHOTITEM, 0, 0);
    PostMessageW(toolbar, WM_KEYDOWN, VK_RIGHT, 0);
    pumpUntil([] { return false; }, 200);
    EXPECT_EQ(SendMessageW(toolbar, TB_GETHOTITEM, 0, 0), 1);
}

// A list changed since its last export is offered for saving at Exit;
// Cancel keeps the window. The export starts in Documents with a dated name,
// and an exported list closes without a question.
TEST_F(WindowInProcess, ExitOffersToSaveAChangedListAndTheExportIsNamed) {
    dialogs_.drawings.push_back(drawing("a.dwg") + '\0' + '\0');
    command(cmdAddDrawings);
    dialogs_.inputs.push_back("2099-01-01 00:00"); // a start scheduled: the question comes all the same
    command(cmdStart);
    dialogs_.choices.push_back(IDCANCEL);
    command(cmdExit);
    ASSERT_EQ(dialogs_.questions, std::vector<std::string>{"Save the drawing list before closing?"});
    ASSERT_TRUE(IsWindow(window_->handle()));
    EXPECT_TRUE(window_->state().busy()); // still scheduled
    window_->state().running(false);
    const std::string exported = dir_.file("list.log");
    dialogs_.listFiles.push_back(exported);
    command(cmdExportList);
    ASSERT_EQ(dialogs_.offered.size(), 1u);
    EXPECT_TRUE(dialogs_.offered[0].find("\\Plansweeper list 20") != std::string::npos)
        << dialogs_.offered[0];
    EXPECT_EQ(window_->state().statusLabel(), "Status: List exported to " + exported);
    const HWND main = window_->handle();
    command(cmdExit);
    EXPECT_FALSE(IsWindow(main));
    EXPECT_EQ(dialogs_.questions.size(), 1u);
}

TEST_F(WindowRun, StopAnsweredNoLetsTheDrawingFinishAndEndsTheRun) {
    dialogs_.answers.push_back(false);
    runInterruptedBy(cmdStop, 4, 2000);
    EXPECT_EQ(cell(0, kColStatus), "OK");
    EXPECT_EQ(cell(1, kColStatus), "");
    EXPECT_EQ(dialogs_.questions.size(), 1u);
}

TEST_F(WindowRun, EscEndsTheRunBeforeItsNextDrawingWithoutAQuestion) {
    runInterruptedBy(cmdEscape, 4, 2000);
    EXPECT_EQ(cell(0, kColStatus), "OK");
    EXPECT_EQ(cell(1, kColStatus), "");
    EXPECT_TRUE(dialogs_.questions.empty());
    EXPECT_EQ(window_->state().statusLabel(), "Status: The run was stopped after 1 drawing.");
    EXPECT_NE(window_->state().productLabel().find("Run stopped after: \r\n1 drawing"), std::string::npos);
}

// A working list that cannot be written keeps AutoCAD from starting: what
// it would do could not be restored after a crash.
TEST_F(WindowRun, AWorkingListThatCannotBeWrittenStopsTheRunAndSaysSo) {
    add(drawing("a.dwg"));
    add(drawing("b.dwg"));
    const std::wstring blocker = Widen(WorkingListPath() + ".partial");
    CreateDirectoryW(blocker.c_str(), nullptr); // where each write goes first
    command(cmdRun);
    RemoveDirectoryW(blocker.c_str());
    EXPECT_EQ(cell(0, kColStatus), "");
    EXPECT_EQ(cell(1, kColStatus), "");
    EXPECT_EQ(test::ReadFileBytes(dir_.file("a.dwg")), kDwg2004);
    ASSERT_EQ(dialogs_.messages.size(), 1u);
    EXPECT_EQ(dialogs_.messages[0], "The working list cannot be written to " + WorkingListPath() +
                                        ": the run stopped before its next drawing.");
}

TEST_F(WindowRun, AScheduledStartRunsByItselfAndAWrongTimeSchedulesNothing) {
    add(drawing("a.dwg"));
    dialogs_.inputs.push_back("tonight");
    command(cmdStart);
    EXPECT_EQ(dialogs_.messages.back(), "No time entered, try again.");
    EXPECT_FALSE(window_->state().busy());
    dialogs_.inputs.push_back("2020-01-01 00:00"); // past: due at the first tick
    command(cmdStart);
    EXPECT_TRUE(window_->state().busy());
    EXPECT_NE(window_->state().productLabel().find("Timer set to: 2020-01-01 00:00"), std::string::npos);
    EXPECT_TRUE(pumpUntil([&] { return cell(0, kColStatus) == "OK"; }, 40000));
    EXPECT_TRUE(pumpUntil([&] { return !window_->state().busy(); }, 5000));
    // The totals stay for whoever comes in next morning.
    EXPECT_NE(window_->state().productLabel().find("Total files OK: \r\n1"), std::string::npos)
        << window_->state().productLabel();
}

} // namespace
} // namespace ps

#include "acad/products.h"
#include "ui/settings_dialog.h"

namespace ps {
namespace {

// The settings dialog in this process, over the stand-in products, its
// boxes driven through window messages.
class SettingsDialogTest : public WindowRun {
protected:
    void open() {
        dialog_ = std::make_unique<SettingsDialog>(SettingsDialog::Context{
            reg_, store_, window_->settings(), dialogs_, "C:\\Plansweeper\\Plansweeper.exe", {}});
        ASSERT_NE(dialog_->create(window_->handle()), nullptr);
    }
    HWND box(int id) { return dialog_->control(id); }
    std::string comboText(int id) {
        const HWND combo = box(id);
        const auto i = SendMessageW(combo, CB_GETCURSEL, 0, 0);
        if (i == CB_ERR)
            return {};
        wchar_t text[256] = L"";
        SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        return Narrow(text);
    }
    void pick(int id, const std::string& entry) {
        const HWND combo = box(id);
        SendMessageW(combo, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(Widen(entry).c_str()));
        if (entry.empty())
            SendMessageW(combo, CB_SETCURSEL, SendMessageW(combo, CB_GETCOUNT, 0, 0) - 1, 0);
        SendMessageW(dialog_->handle(), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(combo));
    }
    void click(int id) { SendMessageW(box(id), BM_CLICK, 0, 0); }
    std::string storedText(const std::string& key) {
        return store_.GetSetting(kSettingsApp, kSettingsSection, key, "<absent>");
    }
    std::unique_ptr<SettingsDialog> dialog_;
};

// Identifiers of the dialog's boxes (ui/settings_dialog.cpp).
enum {
    kAcadVer = 2001,
    kAcadProf,
    kTimeout,
    kScriptFile,
    kScriptBrowse,
    kPurgeTimes,
    kSaveToFolder,
    kGetPath,
    kDeleteDays,
    kIsaveText,
    kIsaveCheck,
    kParallel = 2015,
    kRowConvert = 2100,
    kRowApp = 2110,
    kRowProf = 2120,
    kIndexctl = 2200
};

TEST_F(SettingsDialogTest, AnEmptyStoreShowsTheDefaultsAndOkStoresThem) {
    store_.SaveSetting(kSettingsApp, kSettingsSection, "ProdName", "AutoCAD 1999 (uninstalled)");
    open();
    EXPECT_EQ(GetText(box(kTimeout)), "120");
    EXPECT_EQ(GetText(box(kPurgeTimes)), "3");
    EXPECT_EQ(GetText(box(kDeleteDays)), "10");
    EXPECT_EQ(SendMessageW(box(kIndexctl), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(comboText(kAcadVer), AcadCurrentProductName(reg_)); // the stored one is gone
    for (int row = 0; row < 9; ++row) {
        EXPECT_EQ(comboText(kRowConvert + row), "Don't convert format");
        EXPECT_EQ(comboText(kRowApp + row), "");
    }
    EXPECT_EQ(SendMessageW(box(kRowConvert + 8), CB_GETCOUNT, 0, 0), 9); // the 2018 row: 2018 down to R14
    SendMessageW(dialog_->handle(), WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(dialog_->accepted());
    EXPECT_EQ(storedText("ProdName"), AcadCurrentProductName(reg_));
    EXPECT_EQ(storedText("R22"), "Don't convert format");
}

TEST_F(SettingsDialogTest, PicksTakeEffectInAutoCadAtOnceAndAnEmptyOverrideClearsItsProfile) {
    open();
    pick(kAcadVer, "AutoCAD 2004");
    EXPECT_EQ(AcadCurrentProductName(reg_), "AutoCAD 2004");
    pick(kRowApp + 5, "AutoCAD 2010"); // the 2007 row answers a pick like the others
    EXPECT_EQ(AcadCurrentProductName(reg_), "AutoCAD 2010");
    EXPECT_GT(SendMessageW(box(kRowProf + 5), CB_GETCOUNT, 0, 0), 0);
    pick(kRowApp + 5, "");
    EXPECT_EQ(SendMessageW(box(kRowProf + 5), CB_GETCOUNT, 0, 0), 0);
    SendMessageW(dialog_->handle(), WM_COMMAND, IDCANCEL, 0); // cancelled: the pick stays in AutoCAD
    EXPECT_EQ(AcadCurrentProductName(reg_), "AutoCAD 2010");
    EXPECT_EQ(storedText("HCA17"), "<absent>");
}

TEST_F(SettingsDialogTest, BoxesAreCheckedOnLeavingAndOkNeverCopiesHalf) {
    open();
    const std::int16_t before = window_->settings().ISAVEPERCENT;
    // Under "Don't change" the box is disabled and painted as such, not white.
    const HWND isave = box(kIsaveText);
    const HDC dc = GetDC(isave);
    EXPECT_EQ(SendMessageW(GetParent(isave), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                           reinterpret_cast<LPARAM>(isave)),
              reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE)));
    ReleaseDC(isave, dc);
    click(kIsaveCheck); // "Don't change" off: the box shows 0
    EXPECT_EQ(GetText(isave), "0");
    SetText(box(kTimeout), "100001");
    SendMessageW(dialog_->handle(), WM_COMMAND, IDOK, 0);
    EXPECT_EQ(dialogs_.messages.back(), "Please insert a number between 0 and 100000 .");
    EXPECT_FALSE(dialog_->closed());
    SetText(box(kTimeout), "300");
    // A value out of range on another page: that page and the box are in
    // front while the message is read.
    const HWND tabs = FindWindowExW(dialog_->handle(), nullptr, WC_TABCONTROLW, nullptr);
    TabCtrl_SetCurSel(tabs, 1);
    NMHDR change{tabs, 0, TCN_SELCHANGE};
    SendMessageW(dialog_->handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&change));
    // Shown as far as the dialog goes (the dialog itself is not on the screen here).
    const auto onItsPage = [&] {
        for (HWND w = box(kParallel); w != nullptr && w != dialog_->handle(); w = GetParent(w))
            if ((GetWindowLongW(w, GWL_STYLE) & WS_VISIBLE) == 0)
                return false;
        return true;
    };
    ASSERT_FALSE(onItsPage());
    SetText(box(kParallel), "999");
    bool shownWithItsBox = false;
    dialogs_.whileInforming = [&] {
        shownWithItsBox = onItsPage();
    };
    SendMessageW(dialog_->handle(), WM_COMMAND, IDOK, 0);
    dialogs_.whileInforming = nullptr;
    EXPECT_TRUE(shownWithItsBox);
    EXPECT_TRUE(dialogs_.messages.back().starts_with("Please insert a number between 1 and "))
        << dialogs_.messages.back();
    SetText(box(kParallel), "1");
    const std::string folder = dir_.path() + "\\";
    SetText(box(kSaveToFolder), folder);
    SendMessageW(dialog_->handle(), WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(window_->settings().ISAVEPERCENT, before);
    EXPECT_EQ(window_->settings().Timeout, 120);

    open();
    SetText(box(kSaveToFolder), folder + "\\");
    SetText(box(kDeleteDays), "40000");
    SendMessageW(dialog_->handle(), WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(dialog_->accepted());
    EXPECT_EQ(window_->settings().sSaveToFolder, folder); // one trailing backslash went
    EXPECT_EQ(window_->settings().DeleteDays, 40000);
}

// A format the chosen product cannot write is said at OK, with the way back.
TEST_F(SettingsDialogTest, OkNamesTheChoicesThatWouldSkipDrawings) {
    open();
    pick(kAcadVer, "AutoCAD 2010");
    pick(kRowConvert + 3, "AutoCAD R2018 DWG");
    dialogs_.answers = {true, false}; // back to the dialog; then kept as it is
    SendMessageW(dialog_->handle(), WM_COMMAND, IDOK, 0);
    ASSERT_FALSE(dialogs_.questions.empty());
    EXPECT_NE(dialogs_.questions.back().find("2000: AutoCAD 2010 cannot save as AutoCAD R2018 DWG"),
              std::string::npos)
        << dialogs_.questions.back();
    EXPECT_FALSE(dialog_->closed());
    SendMessageW(dialog_->handle(), WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(dialog_->accepted());
}

TEST_F(SettingsDialogTest, RestoreThenCancelKeepsTheDefaults) {
    store_.SaveSetting(kSettingsApp, kSettingsSection, "Timeout", "999");
    open();
    EXPECT_EQ(GetText(box(kTimeout)), "999");
    dialogs_.answers.push_back(true);
    SendMessageW(dialog_->handle(), WM_COMMAND, 1202, 0);
    EXPECT_EQ(dialogs_.questions.back(), "Are you sure you want to restore all settings?");
    EXPECT_EQ(GetText(box(kTimeout)), "120");
    SendMessageW(dialog_->handle(), WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(storedText("Timeout"), "120");
}

TEST_F(SettingsDialogTest, AnEnforcedSettingIsShownButCannotBeChanged) {
    struct Cleanup {
        Registry& reg;
        ~Cleanup() { DeleteRegTree(reg, RegRoot::LocalMachine, "Software\\Policies\\QUILLMERE"); }
    } cleanup{reg_};
    ASSERT_TRUE(reg_.createKey(RegRoot::LocalMachine, kEnforcedPolicyKey));
    reg_.setValue(RegRoot::LocalMachine, kEnforcedPolicyKey, "Timeout", RegSzValue("600"));
    open();
    EXPECT_EQ(GetText(box(kTimeout)), "600");
    EXPECT_FALSE(IsWindowEnabled(box(kTimeout)));
    EXPECT_TRUE(IsWindowEnabled(box(kPurgeTimes)));
}

// Every caption of a static text, check box, option, button, group box and
// link, measured with its own font, against the width its control gives it.
std::vector<std::string> CaptionsThatDoNotFit(HWND root) {
    std::vector<std::string> clipped;
    struct Walk {
        std::vector<std::string>* clipped;
    } walk{&clipped};
    EnumChildWindows(
        root,
        [](HWND c, LPARAM param) -> BOOL {
            auto& out = *reinterpret_cast<Walk*>(param)->clipped;
            wchar_t cls[32] = L"";
            GetClassNameW(c, cls, 32);
            const std::wstring kind = cls;
            if (kind != L"Static" && kind != L"Button" && kind != WC_LINK)
                return TRUE;
            const LONG style = GetWindowLongW(c, GWL_STYLE);
            if (kind == L"Static" && (style & SS_TYPEMASK) > SS_RIGHT)
                return TRUE; // pictures, frames
            std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(c)) + 1, L'\0');
            text.resize(
                static_cast<std::size_t>(GetWindowTextW(c, text.data(), static_cast<int>(text.size()))));
            if (text.empty())
                return TRUE;
            if (kind == WC_LINK) { // the link's markup is not shown
                std::wstring shown;
                bool inTag = false;
                for (wchar_t ch : text) {
                    if (ch == L'<')
                        inTag = true;
                    else if (ch == L'>')
                        inTag = false;
                    else if (!inTag)
                        shown += ch;
                }
                text = shown;
            }
            RECT client;
            GetClientRect(c, &client);
            const int dpi = WindowDpi(c);
            int room = client.right;
            const LONG type = style & BS_TYPEMASK;
            const bool box = kind == L"Button" &&
                             (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON ||
                              type == BS_AUTORADIOBUTTON || type == BS_3STATE || type == BS_AUTO3STATE);
            const bool group = kind == L"Button" && type == BS_GROUPBOX;
            const bool push = kind == L"Button" && !box && !group;
            if (box) // the box or circle and the gap after it
                room -= MulDiv(13 + 4, dpi, 96);
            if (group || push) // the frame's or the button's edges
                room -= MulDiv(2 * 6, dpi, 96);
            const HDC dc = GetDC(c);
            const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(c, WM_GETFONT, 0, 0)));
            TEXTMETRICW tm;
            GetTextMetricsW(dc, &tm);
            const bool multiLine = client.bottom >= 2 * tm.tmHeight && !group;
            RECT need{0, 0, room, 0};
            const UINT prefix =
                kind == WC_LINK || (kind == L"Static" && (style & SS_NOPREFIX)) ? DT_NOPREFIX : 0;
            DrawTextW(dc, text.c_str(), -1, &need,
                      DT_CALCRECT | prefix | (multiLine ? DT_WORDBREAK : DT_SINGLELINE));
            SelectObject(dc, old);
            ReleaseDC(c, dc);
            if (need.right > room || (multiLine && need.bottom > client.bottom))
                out.push_back(Narrow(text) + " (" + std::to_string(need.right) + " x " +
                              std::to_string(need.bottom) + " in " + std::to_string(room) + " x " +
                              std::to_string(client.bottom) + ")");
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&walk));
    return clipped;
}

// Run in a program of its own at each resolution (the system's DPI is read
// when a program starts): the main window, the settings dialog's pages and
// the about window.
TEST_F(SettingsDialogTest, DISABLED_CaptionsFitAtThisDpi) {
    for (const auto& caption : CaptionsThatDoNotFit(window_->handle()))
        ADD_FAILURE() << "main window: " << caption;
    open();
    for (const auto& caption : CaptionsThatDoNotFit(dialog_->handle()))
        ADD_FAILURE() << "settings: " << caption;
    SendMessageW(dialog_->handle(), WM_COMMAND, IDCANCEL, 0);
    static std::vector<std::string> about;
    SetTimer(nullptr, 0, 300, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        const HWND w = FindWindowW(nullptr, L"About Plansweeper");
        about = w != nullptr ? CaptionsThatDoNotFit(w) : std::vector<std::string>{"no about window"};
        PostMessageW(w, WM_COMMAND, IDCANCEL, 0);
    });
    ShowAboutWindow(window_->handle(), AboutMode::OnRequest);
    for (const auto& caption : about)
        ADD_FAILURE() << "about: " << caption;
}

TEST(TextFits, EveryCaptionFitsItsControlAt100To200Percent) {
    WinRegistry reg;
    const auto setDpi = [&](std::uint32_t dpi) {
        reg.setValue(RegRoot::CurrentUser, "Control Panel\\Desktop", "LogPixels", RegDwordValue(dpi));
    };
    wchar_t self[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    test::TempDir dir;
    for (const std::uint32_t dpi : {96U, 120U, 144U, 192U}) {
        SCOPED_TRACE(dpi);
        setDpi(dpi);
        test::ChildProcess child;
        const std::string out = dir.file("at" + std::to_string(dpi) + ".txt");
        ASSERT_TRUE(child.start("\"" + Narrow(self) +
                                    "\" --gtest_also_run_disabled_tests "
                                    "--gtest_filter=SettingsDialogTest.DISABLED_CaptionsFitAtThisDpi",
                                out));
        ASSERT_TRUE(child.waitFor(120000));
        EXPECT_EQ(child.exitCode(), 0U) << test::ReadFileBytes(out);
    }
    setDpi(96);
}

} // namespace
} // namespace ps
