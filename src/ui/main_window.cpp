#include "ui/main_window.h"

#include "drawinglist/list_file.h"

#include "acad/products.h"
#include "platform/message_pump.h"
#include "core/strings.h"
#include "core/file_facts.h"
#include "platform/text.h"
#include "platform/win_paths.h"
#include "run/run_command.h"
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
namespace {

// Control identifiers: none is 0 or IDOK, which the dialog-key handling of
// the window would take for its default button.
constexpr int kListId = 10;
constexpr int kToolbarId = 11;
constexpr int kLabel1Id = 12;
constexpr int kLabel2Id = 13;
constexpr int kPreviewId = 14;
constexpr int kFrameId = 15;
constexpr int kProdNameId = 16;
constexpr int kPicture2Id = 17;
constexpr int kStatusId = 18;
constexpr UINT kShowPreviewMessage = WM_APP + 1;
// The meter's surface: its frame reaches 240 × 25 pixels.
constexpr int kMeterWidth = 250;
constexpr int kMeterHeight = 30;

// The toolbar by position: key, caption (shown for the first four), tooltip,
// command. Position 8 is the separator.
struct ToolbarButton {
    const char* key;
    const char* caption;
    const char* tooltip;
    Command command;
};
constexpr ToolbarButton kToolbarButtons[] = {
    {"AddFolderOnly", "Add folders Only", "Add folders Only", cmdAddFolderOnly},
    {"AddFolder", "Add folders", "Add folders", cmdAddFolder},
    {"AddDrawings", "Add Drawings", "Add drawings", cmdAddDrawings},
    {"Run", "Run", "Run", cmdRun},
    {"Remove", nullptr, "Remove files from list", cmdRemove},
    {"Settings", nullptr, "Settings", cmdSettings},
    {"Start", nullptr, "Start timer", cmdStart},
    {nullptr, nullptr, nullptr, Command{}}, // separator
    {"Stop", nullptr, "Stop scripting", cmdStop},
};
constexpr int kWorkButtons = 7; // disabled while busy

HWND Child(HWND parent, const wchar_t* cls, std::string_view text, DWORD style, int id = 0,
           DWORD exStyle = 0) {
    return CreateWindowExW(exStyle, cls, Widen(text).c_str(), WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style,
                           0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleW(nullptr), nullptr);
}

// Images of the system's standard toolbar bitmaps and of our own for the
// commands they have no picture for (run, stop, timer).
struct ToolbarImages {
    int addFolderOnly, addFolder, addDrawings, run, remove, settings, start, stop;
};

UniqueBitmap DrawOwnImages(int size) {
    // Three images side by side: run (a green triangle), timer (a clock), stop (a red square).
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = size * 3;
    bi.bmiHeader.biHeight = size;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    UniqueBitmap bitmap(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    if (!bitmap || !dc)
        return bitmap;
    const HGDIOBJ old = SelectObject(dc.get(), bitmap.get());
    const RECT all{0, 0, size * 3, size};
    UniqueBrush mask(CreateSolidBrush(RGB(255, 0, 255)));
    FillRect(dc.get(), &all, mask.get());
    const int m = std::max(2, size / 8);
    UniqueBrush green(CreateSolidBrush(RGB(40, 160, 70)));
    UniqueBrush red(CreateSolidBrush(RGB(200, 40, 40)));
    UniqueBrush white(CreateSolidBrush(RGB(255, 255, 255)));
    HGDIOBJ oldPen = SelectObject(dc.get(), GetStockObject(BLACK_PEN));
    HGDIOBJ oldBrush = SelectObject(dc.get(), green.get());
    const POINT triangle[] = {{m, m}, {size - m, size / 2}, {m, size - m}};
    Polygon(dc.get(), triangle, 3);
    SelectObject(dc.get(), white.get());
    Ellipse(dc.get(), size + m / 2, m / 2, 2 * size - m / 2, size - m / 2);
    MoveToEx(dc.get(), size + size / 2, size / 2, nullptr);
    LineTo(dc.get(), size + size / 2, m + 1);
    MoveToEx(dc.get(), size + size / 2, size / 2, nullptr);
    LineTo(dc.get(), size + size - m - 2, size / 2);
    SelectObject(dc.get(), red.get());
    Rectangle(dc.get(), 2 * size + m, m, 3 * size - m, size - m);
    SelectObject(dc.get(), oldBrush);
    SelectObject(dc.get(), oldPen);
    SelectObject(dc.get(), old);
    return bitmap;
}

} // namespace

MainWindow::MainWindow(DesktopDialogs& dialogs) : dialogs_(dialogs) {}

MainWindow::~MainWindow() {
    if (hwnd_ != nullptr && IsWindow(hwnd_))
        DestroyWindow(hwnd_);
    if (images_ != nullptr)
        ImageList_Destroy(images_);
    if (accelerators_ != nullptr)
        DestroyAcceleratorTable(accelerators_);
}

bool MainWindow::create(HINSTANCE instance, const StartupCommand& startup) {
    startup_ = startup;
    // Form_Initialize: the built-in defaults are the record's own; the script
    // base path is the temporary folder followed by "purge".
    settings_ = Settings{};
    scriptBasePath_ = TempFolder() + "purge";

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_PLANSWEEPER));
    wc.hIconSm =
        static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_PLANSWEEPER), IMAGE_ICON,
                                      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kMainWindowClass;
    RegisterClassExW(&wc);

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
    const ACCEL keys[] = {{FVIRTKEY, VK_ESCAPE, cmdEscape}, {FVIRTKEY | FCONTROL, 'A', cmdSelectAll}};
    accelerators_ = CreateAcceleratorTableW(const_cast<ACCEL*>(keys), 2);

    // Form_Load: the designed client size first, so that an empty store keeps it.
    RECT design{0, 0, TwipsToPixels(8100, dpi_), TwipsToPixels(4620, dpi_)};
    AdjustWindowRectEx(&design, WS_OVERLAPPEDWINDOW, TRUE, WS_EX_CONTROLPARENT);
    SetWindowPos(hwnd_, nullptr, 0, 0, design.right - design.left, design.bottom - design.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    try {
        LoadFormSettings(store_, registry_, settings_);
        applyWindowLayout(LoadWindowLayout(store_, currentWindowLayout()));
    } catch (const std::exception& e) {
        ShowError(hwnd_, "Form_Load", e.what());
        ExitProcess(1);
    }
    state_.setProductHead(settings_.ProdName, settings_.Profile);
    state_.setStatus(kStatusIdle);
    workingList_ =
        std::make_unique<ListSaver>(files_, codec_, clock_, WorkingListPath(), kWorkingListIntervalMs);
    restoreWorkingList();
    SetTimer(hwnd_, kWorkingListTimer, kWorkingListIntervalMs, nullptr);
    showRunState();
    addStartupDrawing(startup_.command);
    // Marked once loaded: a second start hands over only to a finished window.
    SetPropW(hwnd_, Widen(kInstanceProperty).c_str(), reinterpret_cast<HANDLE>(1));
    reportRecovery();
    return true;
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
    return TranslateAcceleratorW(hwnd_, accelerators_, &msg) || IsDialogMessageW(hwnd_, &msg);
}

void MainWindow::pump() {
    PumpPendingMessages([this](MSG& msg) { return preTranslate(msg); });
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
    // The dialog may have changed the product or profile.
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

LRESULT CALLBACK MainWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    if (self == nullptr)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    try {
        return self->handle(message, wParam, lParam);
    } catch (const std::exception& e) {
        ShowError(hwnd, "MainWindow", e.what());
    } catch (...) {
        ShowError(hwnd, "MainWindow", "unexpected error");
    }
    return 0;
}

LRESULT MainWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
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
    case WM_CLOSE:
        onClose();
        return 0;
    case WM_DESTROY:
        RemovePropW(hwnd_, Widen(kInstanceProperty).c_str());
        if (ownsMessageLoop_)
            PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

void MainWindow::onCreate() {
    dpi_ = WindowDpi(hwnd_);
    createMenus();
    createControls();
    applyFonts();
}

void MainWindow::createMenus() {
    HMENU bar = CreateMenu();
    AppendMenuW(bar, MF_POPUP,
                reinterpret_cast<UINT_PTR>(MakePopupMenu({{cmdAddFolderOnly, "&Add Folders Only"},
                                                          {cmdAddFolder, "&Add Folders"},
                                                          {cmdAddDrawings, "&Add Drawings"},
                                                          {0, nullptr},
                                                          {cmdConnect, "&Connect Network Disk"},
                                                          {cmdDisconnect, "&Disconnect Network Disk"},
                                                          {0, nullptr},
                                                          {cmdExit, "E&xit"}})),
                L"&File");
    AppendMenuW(bar, MF_POPUP,
                reinterpret_cast<UINT_PTR>(MakePopupMenu({{cmdSettings, "&Settings"},
                                                          {cmdExportList, "&Export List to Log File"},
                                                          {cmdImportList, "&Import List from Log File"}})),
                L"&Options");
    AppendMenuW(bar, MF_POPUP,
                reinterpret_cast<UINT_PTR>(MakePopupMenu({{cmdHelp, "&Help"}, {cmdAbout, "&About"}})),
                L"&Help");
    SetMenu(hwnd_, bar);
}

void MainWindow::createControls() {
    createToolbar();
    label1_ = Child(hwnd_, L"STATIC", "Selected drawings:", SS_LEFT, kLabel1Id);
    picture2_ = Child(hwnd_, L"STATIC", "", SS_NOTIFY, kPicture2Id);
    SetWindowSubclass(picture2_, MeterProc, 0, reinterpret_cast<DWORD_PTR>(this));
    label2_ = Child(hwnd_, L"STATIC", "Preview:", SS_LEFT, kLabel2Id);
    list_ = Child(hwnd_, WC_LISTVIEWW, "",
                  WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS, kListId);
    ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP |
                                                 LVS_EX_DOUBLEBUFFER | LVS_EX_LABELTIP);
    for (std::size_t i = 0; i < kColumnCount; ++i) {
        const std::wstring caption = Widen(kColumnCaptions[i]);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM | LVCF_FMT;
        column.fmt = (i == kColSizeBefore || i == kColSizeAfter) ? LVCFMT_RIGHT : LVCFMT_LEFT;
        column.cx = 100;
        column.pszText = const_cast<wchar_t*>(caption.c_str());
        column.iSubItem = static_cast<int>(i);
        ListView_InsertColumn(list_, static_cast<int>(i), &column);
    }
    preview_.create(hwnd_, kPreviewId);
    frame_ = Child(hwnd_, L"BUTTON", "Information", BS_GROUPBOX, kFrameId);
    prodName_ = Child(hwnd_, L"STATIC", "", SS_LEFT | SS_NOPREFIX, kProdNameId);
    status_ =
        Child(hwnd_, L"STATIC", std::string(kStatusIdle), SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, kStatusId);
    // The frame is drawn after the label inside it.
    SetWindowPos(frame_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void MainWindow::createToolbar() {
    toolbar_ = Child(hwnd_, TOOLBARCLASSNAMEW, "",
                     TBSTYLE_FLAT | TBSTYLE_LIST | TBSTYLE_TOOLTIPS | CCS_NODIVIDER | CCS_TOP | WS_TABSTOP,
                     kToolbarId);
    SendMessageW(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(toolbar_, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_MIXEDBUTTONS | TBSTYLE_EX_DOUBLEBUFFER);
    const bool large = dpi_ >= 120;
    const int size = large ? 24 : 16;
    SendMessageW(toolbar_, TB_SETBITMAPSIZE, 0, MAKELPARAM(size, size));
    // One image list: the system's standard and view pictures, then ours
    // (masked on magenta) for the commands those have no picture for.
    images_ = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 32, 8);
    SendMessageW(toolbar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_));
    const int stdBase = ImageList_GetImageCount(images_);
    SendMessageW(toolbar_, TB_LOADIMAGES, large ? IDB_STD_LARGE_COLOR : IDB_STD_SMALL_COLOR,
                 reinterpret_cast<LPARAM>(HINST_COMMCTRL));
    const int viewBase = ImageList_GetImageCount(images_);
    SendMessageW(toolbar_, TB_LOADIMAGES, large ? IDB_VIEW_LARGE_COLOR : IDB_VIEW_SMALL_COLOR,
                 reinterpret_cast<LPARAM>(HINST_COMMCTRL));
    const int ownBase = ImageList_GetImageCount(images_);
    UniqueBitmap own = DrawOwnImages(size);
    ImageList_AddMasked(images_, own.get(), RGB(255, 0, 255));
    const int images[] = {viewBase + VIEW_PARENTFOLDER,
                          viewBase + VIEW_NEWFOLDER,
                          stdBase + STD_FILEOPEN,
                          ownBase + 0,
                          stdBase + STD_DELETE,
                          stdBase + STD_PROPERTIES,
                          ownBase + 1,
                          0,
                          ownBase + 2};

    std::array<TBBUTTON, std::size(kToolbarButtons)> buttons{};
    std::array<std::wstring, std::size(kToolbarButtons)> texts;
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        const auto& b = kToolbarButtons[i];
        TBBUTTON& t = buttons[i];
        if (b.key == nullptr) {
            t.fsStyle = BTNS_SEP;
            continue;
        }
        // A button without a caption carries its tooltip as its text: the
        // toolbar shows it as the tip, and automation tools read it.
        texts[i] = Widen(b.caption != nullptr ? b.caption : b.tooltip);
        t.iBitmap = images[i];
        t.idCommand = static_cast<int>(b.command);
        t.fsState = TBSTATE_ENABLED;
        t.fsStyle =
            static_cast<BYTE>(BTNS_BUTTON | BTNS_AUTOSIZE | (b.caption != nullptr ? BTNS_SHOWTEXT : 0));
        t.iString = reinterpret_cast<INT_PTR>(texts[i].c_str());
    }
    SendMessageW(toolbar_, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
    SendMessageW(toolbar_, TB_SETSTATE, cmdStop, 0); // Stop: hidden and disabled while idle
    SendMessageW(toolbar_, TB_HIDEBUTTON, cmdStop, TRUE);
    SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);
}

void MainWindow::applyFonts() {
    font_ = MessageFont(dpi_);
    for (HWND w : {toolbar_, label1_, label2_, list_, frame_, prodName_, status_})
        SetFont(w, font_.get());
    minHeightTwips_ =
        MinWindowHeightTwips(PixelsToTwips(ProductLabelTextHeight(prodName_, font_.get()), dpi_));
}

int ProductLabelTextHeight(HWND label, HFONT font) {
    // The longest text: the head (four lines), an empty line and the run's totals (four lines).
    WindowDc dc(label);
    ScopedSelect select(dc.get(), font);
    RECT text{0, 0, 1000, 0};
    DrawTextW(dc.get(), L"A\nA\nA\nA\n\nA\nA\nA\nA", -1, &text, DT_CALCRECT | DT_NOPREFIX);
    return text.bottom - text.top;
}

void MainWindow::onSize() {
    if (IsIconic(hwnd_))
        return;
    layoutControls();
}

void MainWindow::layoutControls() {
    if (list_ == nullptr)
        return;
    RECT window;
    GetWindowRect(hwnd_, &window);
    const MainLayout layout = ResizedLayout(PixelsToTwips(window.right - window.left, dpi_),
                                            PixelsToTwips(window.bottom - window.top, dpi_));
    SendMessageW(toolbar_, TB_AUTOSIZE, 0, 0);
    RECT bar;
    GetWindowRect(toolbar_, &bar);
    const int toolbarBottom = bar.bottom - bar.top;
    // Everything below the toolbar keeps its designed distance from it.
    const int shift =
        std::max(0, toolbarBottom - TwipsToPixels(At(layout, MainControl::Toolbar).height, dpi_));
    auto rect = [&](const TwipsRect& r) {
        return RECT{TwipsToPixels(r.left, dpi_), TwipsToPixels(r.top, dpi_) + shift,
                    TwipsToPixels(r.left + r.width, dpi_), TwipsToPixels(r.top + r.height, dpi_) + shift};
    };
    auto place = [](HWND w, const RECT& r) {
        MoveWindow(w, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    };

    // The strip between the toolbar and the list holds the meter, which is
    // taller than the strip as designed: the list's top edge moves down by
    // the difference, its bottom edge stays where the resize table puts it.
    RECT listRect = rect(At(layout, MainControl::ListView1));
    const int stripTop = toolbarBottom;
    const int extra = std::max(0, stripTop + kMeterHeight + 2 - static_cast<int>(listRect.top));
    listRect.top += extra;
    const RECT meter{TwipsToPixels(At(layout, MainControl::Picture2).left, dpi_), stripTop,
                     TwipsToPixels(At(layout, MainControl::Picture2).left, dpi_) + kMeterWidth,
                     stripTop + kMeterHeight};
    RECT label1 = rect(At(layout, MainControl::Label1));
    const int labelHeight = label1.bottom - label1.top;
    label1.top = stripTop + (listRect.top - stripTop - labelHeight) / 2;
    label1.bottom = label1.top + labelHeight;
    label1.right = std::min<LONG>(label1.right, meter.left - 4);
    // Over the preview's column; while the window is narrow the meter reaches
    // into it, and the label moves right to stay readable.
    RECT label2 = rect(At(layout, MainControl::Label2));
    const LONG width2 = label2.right - label2.left;
    label2.left = std::max<LONG>(label2.left, meter.right + 6);
    label2.right = label2.left + width2;
    label2.top = label1.top;
    label2.bottom = label1.bottom;

    place(label1_, label1);
    place(picture2_, meter);
    place(list_, listRect);
    place(label2_, label2);
    place(preview_.window(), rect(At(layout, MainControl::Preview)));
    const TwipsRect frame = At(layout, MainControl::Frame1);
    place(frame_, rect(frame));
    TwipsRect label = At(layout, MainControl::ProdName);
    label.left += frame.left;
    label.top += frame.top;
    place(prodName_, rect(label));
    place(status_, rect(At(layout, MainControl::Status)));
}

void MainWindow::onGetMinMaxInfo(MINMAXINFO& info) {
    const int dpi = hwnd_ != nullptr ? WindowDpi(hwnd_) : 96;
    info.ptMinTrackSize = {TwipsToPixels(kMinWindowWidthTwips, dpi), TwipsToPixels(minHeightTwips_, dpi)};
    info.ptMaxTrackSize = {GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

void MainWindow::onDpiChanged(int dpi, const RECT& suggested) {
    dpi_ = dpi;
    applyFonts();
    SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    layoutControls();
}

void MainWindow::showRunState() {
    const bool busy = state_.busy();
    for (int i = 0; i < kWorkButtons; ++i)
        SendMessageW(toolbar_, TB_ENABLEBUTTON, kToolbarButtons[i].command, !busy);
    SendMessageW(toolbar_, TB_ENABLEBUTTON, cmdStop, busy);
    SendMessageW(toolbar_, TB_HIDEBUTTON, cmdStop, !busy);
    // The hourglass while busy, over the whole window.
    SetCursor(LoadCursorW(nullptr, busy ? IDC_WAIT : IDC_ARROW));
    showLabels();
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
            return;
        }
    const std::size_t at = rows_.size();
    if (!addToListView(rows_, files_, settings_, path))
        return;
    refreshList();
    if (const auto added = rows_.positionOf(rows_.lastId(), at))
        selectOnly(*added);
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
    for (const auto& message : RecoverInterruptedRun(registry_, files_, temp + "Plansweeper\\Safety copies"))
        text += message + "\r\n";
    if (!text.empty())
        MessageBoxUtf8(hwnd_, text, kAppTitle, MB_OK | MB_ICONINFORMATION);
}

void MainWindow::onCommand(unsigned command) {
    switch (command) {
    case cmdAddFolderOnly:
        guarded("subAddFolderOnly ", &MainWindow::subAddFolderOnly);
        break;
    case cmdAddFolder:
        guarded("subAddFolder", &MainWindow::subAddFolder);
        break;
    case cmdAddDrawings:
        guarded("subAddDrawings", &MainWindow::subAddDrawings);
        break;
    case cmdRun:
        guarded("subRun", &MainWindow::subRun);
        break;
    case cmdRemove:
        guarded("subRemove", &MainWindow::subRemove);
        break;
    case cmdSettings:
        guarded("subSettings", &MainWindow::subSettings);
        break;
    case cmdStart:
        guarded("subStart", &MainWindow::subStart);
        break;
    case cmdStop:
        guarded("subStop", &MainWindow::subStop);
        break;
    case cmdExit:
        onClose();
        return;
    case cmdEscape:
        state_.running(false);
        return;
    case cmdSelectAll:
        selectAll(true);
        return;
    case cmdClearAll:
        selectAll(false);
        return;
    case cmdResetStatus:
        setSelectedStatus(status::kPending);
        return;
    case cmdSetSkip:
        setSelectedStatus(status::kSkip);
        return;
    case cmdExportList:
        guarded("ExportListStatus", &MainWindow::ExportListStatus);
        return;
    case cmdImportList:
        guarded("ImportListStatus", &MainWindow::ImportListStatus);
        return;
    case cmdFileProperties:
        fileProperties();
        return;
    case cmdExplore:
        explore();
        return;
    case cmdStartAcad:
        startAutoCad();
        return;
    case cmdAbout:
        if (!state_.busy())
            ShowAboutWindow(hwnd_, AboutMode::OnRequest);
        return;
    case cmdConnect:
        if (!state_.busy())
            WNetConnectionDialog(hwnd_, RESOURCETYPE_DISK);
        return;
    case cmdDisconnect:
        if (!state_.busy())
            WNetDisconnectDialog(hwnd_, RESOURCETYPE_DISK);
        return;
    case cmdHelp:
        HtmlHelpW(nullptr, Widen(ProgramFolder() + "\\Plansweeper.chm").c_str(), HH_DISPLAY_TOC, 0);
        return;
    default:
        return;
    }
    // Toolbar commands end with the status label reset.
    state_.setStatus(kStatusIdle);
}

LRESULT MainWindow::onNotify(NMHDR& header) {
    if (header.hwndFrom == list_)
        return onListNotify(header);
    if (header.hwndFrom == toolbar_ && header.code == TBN_GETINFOTIPW) {
        auto& tip = reinterpret_cast<NMTBGETINFOTIPW&>(header);
        for (const auto& b : kToolbarButtons)
            if (b.key != nullptr && static_cast<int>(b.command) == tip.iItem && tip.cchTextMax > 0)
                lstrcpynW(tip.pszText, Widen(b.tooltip).c_str(), tip.cchTextMax);
        return 0;
    }
    return 0;
}

LRESULT MainWindow::onCopyData(const COPYDATASTRUCT& data) {
    if (data.dwData != 0 || (data.cbData > 0 && data.lpData == nullptr))
        return FALSE;
    const auto tail =
        ReceivedCommandTail(std::string_view(static_cast<const char*>(data.lpData), data.cbData));
    if (!tail)
        return FALSE;
    if (tail->empty()) {
        // A second start without a drawing: show this window.
        if (IsIconic(hwnd_))
            ShowWindow(hwnd_, SW_RESTORE);
        ShowWindow(hwnd_, SW_SHOW);
        SetForegroundWindow(hwnd_);
        return TRUE;
    }
    addStartupDrawing(ParseStartupTail(FromAnsi(*tail)).command);
    return TRUE;
}

WindowLayout MainWindow::currentWindowLayout() const {
    WindowLayout layout;
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(hwnd_, &placement);
    // The normal position, also when minimised or maximised: a minimised
    // window's own rectangle is off the screen.
    const RECT& r = placement.rcNormalPosition;
    const int dpi = dpi_;
    layout.left = PixelsToTwips(r.left, dpi);
    layout.top = PixelsToTwips(r.top, dpi);
    layout.width = PixelsToTwips(r.right - r.left, dpi);
    layout.height = PixelsToTwips(r.bottom - r.top, dpi);
    layout.windowState = IsIconic(hwnd_) ? 1 : IsZoomed(hwnd_) ? 2 : 0;
    std::array<int, kColumnCount> order{};
    ListView_GetColumnOrderArray(list_, static_cast<int>(kColumnCount), order.data());
    for (std::size_t i = 0; i < kColumnCount; ++i) {
        layout.columnWidth[i] =
            static_cast<float>(PixelsToTwips(ListView_GetColumnWidth(list_, static_cast<int>(i)), dpi));
        for (std::size_t p = 0; p < kColumnCount; ++p)
            if (order[p] == static_cast<int>(i))
                layout.columnPosition[i] = static_cast<std::int16_t>(p + 1);
    }
    return layout;
}

void MainWindow::applyWindowLayout(const WindowLayout& layout) {
    const int dpi = dpi_;
    // Columns first, while the window is still hidden: each change to a
    // shown list repaints its header.
    for (std::size_t i = 0; i < kColumnCount; ++i)
        ListView_SetColumnWidth(list_, static_cast<int>(i),
                                TwipsToPixels(static_cast<std::int32_t>(layout.columnWidth[i]), dpi));
    // Display positions, when they are a permutation of 1 … 8.
    std::array<int, kColumnCount> order{};
    order.fill(-1);
    bool valid = true;
    for (std::size_t i = 0; i < kColumnCount && valid; ++i) {
        const int p = layout.columnPosition[i] - 1;
        valid = p >= 0 && p < static_cast<int>(kColumnCount) && order[static_cast<std::size_t>(p)] < 0;
        if (valid)
            order[static_cast<std::size_t>(p)] = static_cast<int>(i);
    }
    if (valid)
        ListView_SetColumnOrderArray(list_, static_cast<int>(kColumnCount), order.data());

    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(hwnd_, &placement);
    placement.rcNormalPosition = {TwipsToPixels(layout.left, dpi), TwipsToPixels(layout.top, dpi),
                                  TwipsToPixels(layout.left + layout.width, dpi),
                                  TwipsToPixels(layout.top + layout.height, dpi)};
    // A window that ended minimised starts normal: minimised it would seem not to have started.
    placement.showCmd = layout.windowState == 2 ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
    placement.flags = 0;
    SetWindowPlacement(hwnd_, &placement);
    layoutControls();
}

void MainWindow::onClose() {
    // Form_QueryUnload never cancels; Form_Unload saves the layout and ends
    // the program at once, a run in progress included.
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
        // A run is under way: the program ends here, as after a crash. What
        // the run changed is journalled and put right at the next start.
        ExitProcess(0);
    }
    DestroyWindow(hwnd_);
}

} // namespace ps
