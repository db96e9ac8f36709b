#include "ui/main_window.h"

#include "drawinglist/list_file.h"

#include "acad/products.h"
#include "platform/message_pump.h"
#include "platform/off_thread.h"
#include "core/strings.h"
#include "core/file_facts.h"
#include "core/snapshot_registry.h"
#include "platform/text.h"
#include "platform/win_paths.h"
#include "platform/win_run_ownership.h"
#include "platform/win_system.h"
#include "platform/window_entry.h"
#include "run/run_command.h"
#include "settings/explorer_entry.h"
#include "run/safety_copies.h"
#include "ui/about_window.h"
#include "ui/commands.h"
#include "ui/resource.h"
#include "ui/settings_dialog.h"
#include "ui/win_ui.h"

#include <commctrl.h>
#include <htmlhelp.h>
#include <shellapi.h>
#include <winnetwk.h>
#include <windowsx.h>

#include <algorithm>
#include <array>

namespace ps {

// The stored window layout keeps one width and one position per list column:
// the list's cells, then "Missing" (kColMissing).
static_assert(kColMissing + 1 == kListColumnCount);

MainWindow::MainWindow(DesktopDialogs& dialogs) : dialogs_(dialogs) {}

MainWindow::~MainWindow() {
    if (hwnd_ != nullptr && IsWindow(hwnd_))
        DestroyWindow(hwnd_);
}

void MainWindow::RegisterWindowClass(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowEntry<MainWindow>;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_PLANSWEEPER));
    wc.hIconSm =
        static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_PLANSWEEPER), IMAGE_ICON,
                                      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kMainWindowClass;
    RegisterClassExW(&wc);
}

bool MainWindow::create(HINSTANCE instance, const StartupCommand& startup) {
    startup_ = startup;
    // Form_Initialize: the built-in defaults are the record's own.
    settings_ = Settings{};
    SetListDateOrder(UserDateOrder()); // the date columns sort by the dates they show

    RegisterWindowClass(instance);
    hwnd_ = CreateWindowExW(WS_EX_CONTROLPARENT, kMainWindowClass, Widen(kAppTitle).c_str(),
                            // Not WS_CLIPCHILDREN: the group box is transparent, the window paints under it.
                            WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, nullptr, nullptr,
                            instance, this);
    if (hwnd_ == nullptr)
        return false;

    state_.setObserver({[this](bool) { showRunState(); },
                        [this] {
                            labelsChanged();
                        }});
    DragAcceptFiles(hwnd_, TRUE);
    // The keys a Windows user expects; the menus name them.
    const ACCEL keys[] = {{FVIRTKEY, VK_ESCAPE, cmdEscape},
                          {FVIRTKEY | FCONTROL, 'A', cmdSelectAll},
                          {FVIRTKEY, VK_F5, cmdRun},
                          {FVIRTKEY | FSHIFT, VK_F5, cmdStop},
                          {FVIRTKEY, VK_DELETE, cmdRemove}};
    accelerators_.reset(CreateAcceleratorTableW(const_cast<ACCEL*>(keys), static_cast<int>(std::size(keys))));

    sizeForFirstStart();
    try {
        // The hundred settings from one read of each key they live in.
        SnapshotRegistry snapshot(registry_, ProgramSettingsKeys());
        const RegistrySettingsStore store(snapshot);
        LoadFormSettings(store, registry_, settings_);
        applyWindowLayout(LoadWindowLayout(store, currentWindowLayout()));
    } catch (const std::exception& e) {
        ShowError(hwnd_, "Form_Load", e.what());
        ExitProcess(1);
    }
    state_.setProductHead(settings_.ProdName, settings_.Profile);
    state_.setStatus(kStatusIdle);
    openWorkingList();
    removeStaleExplorerEntry();
    showRunState();
    addStartupDrawing(startup_.command);
    // Marked once loaded: a second start hands over only to a finished window.
    SetPropW(hwnd_, Widen(kInstanceProperty).c_str(), reinterpret_cast<HANDLE>(1));
    reportRecovery();
    starting_ = false;
    return true;
}

// Form_Load: the designed client size first, so that an empty store keeps
// it, but high enough that the first start shows a run's totals in full.
void MainWindow::sizeForFirstStart() {
    RECT design{0, 0, TwipsToPixels(8100, dpi_), TwipsToPixels(4620, dpi_)};
    AdjustWindowRectEx(&design, WS_OVERLAPPEDWINDOW, TRUE, WS_EX_CONTROLPARENT);
    const int withTotals =
        TwipsToPixels(MinWindowHeightTwips(PixelsToTwips(
                          ProductLabelTextHeight(prodName_, font_.get(), kLabelLinesWithTotals), dpi_)),
                      dpi_);
    SetWindowPos(hwnd_, nullptr, 0, 0, design.right - design.left,
                 std::max<int>(design.bottom - design.top, withTotals),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The working list of a session that ended without saving comes back, and
// from now on every change is written within a second.
void MainWindow::openWorkingList() {
    workingList_ =
        std::make_unique<ListSaver>(files_, codec_, clock_, WorkingListPath(), kWorkingListIntervalMs);
    // Written off the window's thread: a disk busy with AutoCAD's writes
    // may take its time to flush it.
    workingList_->setWriter([this](const std::string& path, const std::string& bytes) {
        return RunOffThread([this, &path, &bytes] { return files_.replaceFileAtomically(path, bytes); })
            .value_or(false);
    });
    restoreWorkingList();
    SetTimer(hwnd_, kWorkingListTimer, kWorkingListIntervalMs, nullptr);
}

// An Explorer entry that starts a copy of the program that is gone (moved or
// uninstalled) goes with it. Only a program surely gone counts: a share that
// does not answer in time keeps its entry.
void MainWindow::removeStaleExplorerEntry() {
    RemoveStaleExplorerEntry(registry_, [](std::string_view program) {
        const auto found = RunOffThread(
            [wide = Widen(program)] {
                if (GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES)
                    return true;
                const DWORD error = GetLastError();
                return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
            },
            500);
        return found.value_or(true);
    });
}

int MainWindow::messageLoop() {
    ownsMessageLoop_ = true;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (preTranslate(msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

bool MainWindow::preTranslate(MSG& msg) {
    if (hwnd_ == nullptr || !IsWindow(hwnd_))
        return false;
    // Esc and Ctrl+A reach the window whichever control has the focus; Tab
    // moves between the controls.
    if (GetAncestor(msg.hwnd, GA_ROOT) != hwnd_)
        return false;
    if (msg.hwnd == toolbar_ && msg.message == WM_KEYDOWN && toolbarKey(static_cast<UINT>(msg.wParam)))
        return true;
    return TranslateAcceleratorW(hwnd_, accelerators_.get(), &msg) || IsDialogMessageW(hwnd_, &msg);
}

// The toolbar with the focus: the arrow keys, Home and End move its hot
// button over the enabled ones, Enter and Space press it.
bool MainWindow::toolbarKey(UINT key) {
    const int count = static_cast<int>(SendMessageW(toolbar_, TB_BUTTONCOUNT, 0, 0));
    const int hot = static_cast<int>(SendMessageW(toolbar_, TB_GETHOTITEM, 0, 0));
    const auto usable = [&](int i) {
        TBBUTTON button{};
        SendMessageW(toolbar_, TB_GETBUTTON, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&button));
        return (button.fsStyle & BTNS_SEP) == 0 && (button.fsState & TBSTATE_ENABLED) != 0 &&
               (button.fsState & TBSTATE_HIDDEN) == 0;
    };
    const auto move = [&](int from, int step) {
        for (int i = from; i >= 0 && i < count; i += step)
            if (usable(i)) {
                SendMessageW(toolbar_, TB_SETHOTITEM, static_cast<WPARAM>(i), 0);
                return;
            }
    };
    switch (key) {
    case VK_LEFT:
    case VK_UP:
        move(hot < 0 ? count - 1 : hot - 1, -1);
        return true;
    case VK_RIGHT:
    case VK_DOWN:
        move(hot < 0 ? 0 : hot + 1, 1);
        return true;
    case VK_HOME:
        move(0, 1);
        return true;
    case VK_END:
        move(count - 1, -1);
        return true;
    case VK_RETURN:
    case VK_SPACE:
        if (hot >= 0 && usable(hot)) {
            TBBUTTON button{};
            SendMessageW(toolbar_, TB_GETBUTTON, static_cast<WPARAM>(hot), reinterpret_cast<LPARAM>(&button));
            PostMessageW(hwnd_, WM_COMMAND, static_cast<WPARAM>(button.idCommand), 0);
        }
        return true;
    default:
        return false;
    }
}

void MainWindow::pump() {
    const ULONGLONG entered = GetTickCount64();
    if (lastPumped_ != 0)
        longestPumpGap_ = std::max(longestPumpGap_, entered - lastPumped_);
    PumpPendingMessages([this](MSG& msg) { return preTranslate(msg); });
    lastPumped_ = GetTickCount64();
    // What a loop changed shows at most every 100 ms: repainting the list and
    // the labels for every file a search finds would cost more than the search.
    const ULONGLONG now = GetTickCount64();
    if (now - lastShown_ < kShowIntervalMs)
        return;
    lastShown_ = now;
    if (labelsDirty_)
        showLabels();
    if (list_ != nullptr && ListView_GetItemCount(list_) != static_cast<int>(rows_.size()))
        refreshList();
}

void WindowPump::pumpOnce() {
    if (minIntervalMs_ > 0) {
        const ULONGLONG now = GetTickCount64();
        if (now - last_ < minIntervalMs_)
            return;
        last_ = now;
    }
    window_.pump();
}

void MainWindow::labelsChanged() {
    labelsDirty_ = true;
    // Outside a loop (nothing busy), a change shows at once.
    if (!state_.busy() || GetTickCount64() - lastShown_ >= kShowIntervalMs) {
        lastShown_ = GetTickCount64();
        showLabels();
    }
}

void MainWindow::subSettings() {
    if (state_.busy())
        return;
    wchar_t exe[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, exe, MAX_PATH);
    SettingsDialog dialog({registry_, store_, settings_, dialogs_, Narrow(std::wstring_view(exe, n)),
                           [this](const WindowLayout& layout) {
                               applyWindowLayout(layout);
                           }});
    dialog.showModal(hwnd_);
    // The dialog may have changed the product or profile; the last run's
    // result (totals and meter) goes as one.
    clearRunResult();
    state_.setProductHead(settings_.ProdName, settings_.Profile);
    state_.showHead();
}

void MainWindow::guarded(const char* procedure, void (MainWindow::*command)()) {
    try {
        (this->*command)();
    } catch (const std::exception& e) {
        ShowError(hwnd_, procedure, e.what());
    }
}

LRESULT MainWindow::failed(HWND hwnd, UINT, WPARAM, LPARAM, const char* what) noexcept {
    return ReportEscaped(hwnd, "MainWindow", what);
}

LRESULT MainWindow::handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCCREATE:
        hwnd_ = hwnd;
        return DefWindowProcW(hwnd, message, wParam, lParam);
    case WM_CREATE:
        onCreate();
        return 0;
    case WM_SIZE:
        onSize();
        return 0;
    case WM_GETMINMAXINFO:
        onGetMinMaxInfo(*reinterpret_cast<MINMAXINFO*>(lParam));
        return 0;
    case WM_DPICHANGED:
        onDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_COMMAND:
        onCommand(LOWORD(wParam) == IDCANCEL ? unsigned{cmdEscape} : LOWORD(wParam));
        return 0;
    case WM_NOTIFY:
        return onNotify(*reinterpret_cast<NMHDR*>(lParam));
    case WM_COPYDATA:
        return onCopyData(*reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    case WM_DROPFILES:
        onDropFiles(reinterpret_cast<HDROP>(wParam));
        return 0;
    case WM_CLOSE:
        onClose();
        return 0;
    case WM_DESTROY:
        RemovePropW(hwnd_, Widen(kInstanceProperty).c_str());
        if (ownsMessageLoop_)
            PostQuitMessage(0);
        return 0;
    default:
        return onOtherMessage(message, wParam, lParam);
    }
}

LRESULT MainWindow::onOtherMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMER:
        if (wParam == kTimer1)
            guarded("Timer1_Timer", &MainWindow::Timer1_Timer);
        else if (wParam == kWorkingListTimer)
            saveWorkingList(false);
        return 0;
    case WM_ENDSESSION:
        // Windows ends: the working list stays for the next start to restore.
        if (wParam != 0)
            saveWorkingList(true);
        return 0;
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wParam) == list_)
            showContextMenu({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
    case WM_SETCURSOR:
        if (state_.busy()) {
            SetCursor(LoadCursorW(nullptr, IDC_WAIT));
            return TRUE;
        }
        return DefWindowProcW(hwnd_, message, wParam, lParam);
    case kShowPreviewMessage:
        previewPending_ = false;
        ShowSelectedPreview();
        return 0;
    default:
        return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

void MainWindow::showLabels() {
    labelsDirty_ = false;
    SetText(prodName_, state_.productLabel());
    SetText(status_, state_.statusLabel());
}

void MainWindow::addStartupDrawing(std::string_view command) {
    const std::string path = StartupDrawingPath(command);
    if (path.empty() || state_.busy())
        return;
    const auto attributes = files_.attributes(path);
    const std::string extension = ToLower(FileExtension(path));
    if (!attributes || (*attributes & kAttrDirectory) != 0 || (extension != "dwg" && extension != "dxf"))
        return;
    // A drawing already in the list is selected, not added again.
    const std::string key = ToUpper(files_.normalPath(path));
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (!rows_[i].isFolder() && ToUpper(files_.normalPath(FullPath(rows_[i]))) == key) {
            selectOnly(i);
            state_.setStatus(std::string(kStatusIdle) + "Already in the list: " + path);
            return;
        }
    const std::size_t at = rows_.size();
    if (!addToListView(rows_, files_, settings_, path))
        return;
    refreshList();
    if (const auto added = rows_.positionOf(rows_.lastId(), at))
        selectOnly(*added);
    state_.setStatus(std::string(kStatusIdle) + "1 drawing added: " + path);
}

void MainWindow::selectOnly(std::size_t row) {
    rows_.selectAll(false);
    rows_[row].selected = true;
    focusedRowId_ = rows_[row].id;
    writeSelection();
    ListView_EnsureVisible(list_, static_cast<int>(row), FALSE);
}

void MainWindow::restoreWorkingList() {
    // The file is there only when the last session did not end through Exit
    // or the close box (a crash, a kill, Windows ending).
    if (!FileExists(files_, workingList_->path()))
        return;
    const ImportResult restored = ReadListFile(files_, codec_, workingList_->path(), rows_);
    if (restored.added == 0)
        return;
    refreshList();
    state_.setStatus("Restored the " + std::to_string(restored.added) +
                     " drawing(s) of the last session, which did not end normally.");
}

void MainWindow::listChanged() {
    listUnsaved_ = true;
    if (workingList_)
        workingList_->changed();
}

bool MainWindow::saveWorkingList(bool evenIfNotDue) {
    if (!workingList_)
        return true;
    const bool written = evenIfNotDue ? workingList_->saveIfChanged(rows_) : workingList_->saveIfDue(rows_);
    if (written) {
        workingListFailureShown_ = false;
        return true;
    }
    // Nothing would keep what a run does next: it stops before its next drawing.
    if (state_.busy())
        state_.requestStop();
    if (!workingListFailureShown_) {
        workingListFailureShown_ = true;
        state_.setStatus("The working list cannot be written to " + workingList_->path() +
                         (state_.busy() ? "; the run stops before the next drawing." : "."));
    }
    return false;
}

void MainWindow::reportRecovery() {
    const std::string temp = TempFolder();
    std::string text;
    WinRunOwnership& runs = WinRunOwnership::ForThisProcess(RunsFolderOf(temp));
    for (const auto& message : RecoverInterruptedRun(registry_, files_, runs, temp))
        text += message + "\r\n";
    if (!text.empty())
        MessageBoxUtf8(hwnd_, text, kAppTitle, MB_OK | MB_ICONINFORMATION);
}

void MainWindow::onCommand(unsigned command) {
    // The commands whose errors show as "Error in <procedure>: ..."; those
    // of the toolbar end with the status label reset.
    struct Guarded {
        unsigned command;
        const char* procedure;
        void (MainWindow::*run)();
        bool toolbar;
    };
    static constexpr Guarded kGuarded[] = {
        {cmdAddFolderOnly, "subAddFolderOnly ", &MainWindow::subAddFolderOnly, true},
        {cmdAddFolder, "subAddFolder", &MainWindow::subAddFolder, true},
        {cmdAddDrawings, "subAddDrawings", &MainWindow::subAddDrawings, true},
        {cmdRun, "subRun", &MainWindow::subRun, true},
        {cmdRunFailed, "subRunFailedAgain", &MainWindow::subRunFailedAgain, true},
        {cmdRunFailedSelected, "subRunFailedAgain", &MainWindow::subRunSelectedFailedAgain, true},
        {cmdRemove, "subRemove", &MainWindow::subRemove, true},
        {cmdSettings, "subSettings", &MainWindow::subSettings, true},
        {cmdStart, "subStart", &MainWindow::subStart, true},
        {cmdStop, "subStop", &MainWindow::subStop, true},
        {cmdExportList, "ExportListStatus", &MainWindow::ExportListStatus, false},
        {cmdImportList, "ImportListStatus", &MainWindow::ImportListStatus, false},
        {cmdExportReport, "ExportReport", &MainWindow::ExportReport, false},
    };
    for (const auto& g : kGuarded) {
        if (g.command != command)
            continue;
        // A key or menu reaches a command the toolbar shows disabled now:
        // the work commands wait while busy, Stop is for a run.
        if (g.toolbar && (command == cmdStop) != state_.busy())
            return;
        afterCommand_.reset();
        guarded(g.procedure, g.run);
        // The toolbar's commands leave the status label at rest, or saying
        // how they ended where that is news.
        if (g.toolbar)
            state_.setStatus(afterCommand_.value_or(std::string(kStatusIdle)));
        else if (afterCommand_)
            state_.setStatus(*afterCommand_);
        afterCommand_.reset();
        return;
    }
    onOtherCommand(command);
}

void MainWindow::onOtherCommand(unsigned command) {
    switch (command) {
    case cmdExit:
        onClose();
        return;
    case cmdEscape:
        state_.running(false);
        return;
    case cmdSelectAll:
    case cmdClearAll:
        selectAll(command == cmdSelectAll);
        return;
    case cmdResetStatus:
    case cmdSetSkip:
        setSelectedStatus(command == cmdSetSkip ? status::kSkip : status::kPending);
        return;
    case cmdFileProperties:
        fileProperties();
        return;
    case cmdShowDetails:
        showDetails();
        return;
    case cmdExplore:
        explore();
        return;
    case cmdStartAcad:
        startAutoCad();
        return;
    case cmdHelp:
        if (const auto help = LateSystemFunction<decltype(HtmlHelpW)>(L"hhctrl.ocx", "HtmlHelpW"))
            help(nullptr, Widen(ProgramFolder() + "\\Plansweeper.chm").c_str(), HH_DISPLAY_TOC, 0);
        return;
    default:
        break;
    }
    // The desktop commands wait while a loop runs.
    if (state_.busy())
        return;
    if (command == cmdAbout)
        ShowAboutWindow(hwnd_, AboutMode::OnRequest);
    else if (command == cmdConnect || command == cmdDisconnect) {
        const auto dialog = LateSystemFunction<decltype(WNetConnectionDialog)>(
            L"mpr.dll", command == cmdConnect ? "WNetConnectionDialog" : "WNetDisconnectDialog");
        if (dialog != nullptr)
            dialog(hwnd_, RESOURCETYPE_DISK);
    }
}

LRESULT MainWindow::onNotify(NMHDR& header) {
    if (header.hwndFrom == list_)
        return onListNotify(header);

    if (header.hwndFrom == toolbar_ && header.code == TBN_GETINFOTIPW)
        showToolbarTip(reinterpret_cast<NMTBGETINFOTIPW&>(header));
    return 0;
}

LRESULT MainWindow::onCopyData(const COPYDATASTRUCT& data) {
    if ((data.dwData != 0 && data.dwData != kHandOverUtf16) || (data.cbData > 0 && data.lpData == nullptr))
        return FALSE;
    std::string payload;
    if (data.dwData == kHandOverUtf16) {
        if (data.cbData % sizeof(wchar_t) != 0 || data.cbData > kMaxHandOverBytes * sizeof(wchar_t))
            return FALSE;
        payload = Narrow(
            std::wstring_view(static_cast<const wchar_t*>(data.lpData), data.cbData / sizeof(wchar_t)));
    } else {
        payload = FromAnsi(std::string_view(static_cast<const char*>(data.lpData), data.cbData));
    }
    const auto tail = ReceivedCommandTail(payload);
    if (!tail)
        return FALSE;
    // A second start, with a drawing or without: this window comes forward,
    // restored if it was minimised, so the user sees where the drawing went.
    if (!tail->empty())
        addStartupDrawing(ParseStartupTail(*tail).command);
    comeForward();
    return TRUE;
}

void MainWindow::comeForward() {
    if (IsIconic(hwnd_))
        ShowWindow(hwnd_, SW_RESTORE);
    ShowWindow(hwnd_, SW_SHOW);
    if (!SetForegroundWindow(hwnd_) || GetForegroundWindow() != hwnd_) {
        // Where the system will not bring it forward, its taskbar button asks for attention.
        FLASHWINFO flash{sizeof flash, hwnd_, FLASHW_TRAY | FLASHW_TIMERNOFG, 0, 0};
        FlashWindowEx(&flash);
    }
}

void MainWindow::onClose() {
    // A run under way is ended as Stop -> Yes ends it, once the user says
    // so; the window closes when the run has put its drawings right.
    if (runInProgress_) {
        if (closeAfterRun_ ||
            !dialogs_.askYesNo(hwnd_,
                               "A run is in progress. Stop it and close Plansweeper?\r\n\r\nAutoCAD is "
                               "stopped and the drawings it works on are kept as they were.",
                               std::string(kAppTitle)))
            return;
        closeAfterRun_ = true;
        state_.requestStop();
        return;
    }
    // A list that was never exported, or changed since, is not lost without a
    // word, also while a scheduled start waits (it waits no further while asked).
    const bool scheduled = timerArmed_ && state_.busy();
    if ((!state_.busy() || scheduled) && listUnsaved_ && !rows_.empty()) {
        if (scheduled) {
            timerArmed_ = false;
            state_.running(false);
        }
        const int choice =
            dialogs_.askYesNoCancel(hwnd_, "Save the drawing list before closing?", std::string(kAppTitle));
        if (choice == IDYES)
            ExportListStatus();
        if (choice == IDCANCEL || (choice == IDYES && listUnsaved_)) {
            // Cancelled, or not saved (the export cancelled or failed): the window stays, as scheduled.
            if (scheduled) {
                timerArmed_ = true;
                state_.running(true);
            }
            return;
        }
    }
    // Form_Unload saves the layout and ends the program; a search under way
    // ends with it.
    try {
        SaveFormSettings(store_, settings_, currentWindowLayout());
    } catch (const std::exception& e) {
        ShowError(hwnd_, "Form_Unload", e.what());
    }
    // Ended as the user chose: nothing is to be restored next time.
    KillTimer(hwnd_, kWorkingListTimer);
    if (workingList_)
        files_.deleteFile(workingList_->path());
    if (state_.busy()) {
        // A search is under way: the program ends here. Were AutoCAD still
        // at work, what it changed is journalled and put right at the next
        // start; the AutoCAD processes end with the program.
        WinProcessRunner::TerminateAll();
        ExitProcess(0);
    }
    DestroyWindow(hwnd_);
}

} // namespace ps
