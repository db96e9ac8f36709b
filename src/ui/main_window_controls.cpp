// The main window's controls: their creation, the toolbar and menus, the
// fonts, the resize table's layout at every DPI, and the stored window layout.
#include "ui/main_window.h"

#include "platform/text.h"
#include "platform/win_file_system.h"
#include "ui/commands.h"
#include "ui/resource.h"
#include "ui/win_ui.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <cstdint>
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

constexpr COLORREF kMaskColour = RGB(255, 0, 255);

// A 32-bit top-down bitmap filled with one colour, selected into dc, and its pixels.
struct Canvas {
    UniqueBitmap bitmap;
    std::uint32_t* pixels = nullptr;
};

Canvas FilledCanvas(HDC dc, int width, int height, COLORREF colour) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    Canvas canvas{UniqueBitmap(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0)),
                  static_cast<std::uint32_t*>(bits)};
    SelectObject(dc, canvas.bitmap.get());
    const RECT all{0, 0, width, height};
    UniqueBrush brush(CreateSolidBrush(colour));
    FillRect(dc, &all, brush.get());
    GdiFlush();
    return canvas;
}

UniqueBitmap DrawOwnImages(int size) {
    // Three images side by side: run (a green triangle), timer (a clock), stop (a red square).
    UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    if (!dc)
        return {};
    const HGDIOBJ bitmapWas = GetCurrentObject(dc.get(), OBJ_BITMAP);
    Canvas canvas = FilledCanvas(dc.get(), size * 3, size, kMaskColour);
    {
        const int m = std::max(2, size / 8);
        UniqueBrush green(CreateSolidBrush(RGB(40, 160, 70)));
        UniqueBrush red(CreateSolidBrush(RGB(200, 40, 40)));
        UniqueBrush white(CreateSolidBrush(RGB(255, 255, 255)));
        const ScopedSelect pen(dc.get(), GetStockObject(BLACK_PEN));
        const ScopedSelect brush(dc.get(), green.get()); // the brushes below go back with it
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
    }
    SelectObject(dc.get(), bitmapWas);
    return std::move(canvas.bitmap);
}

int Channel(std::uint32_t pixel, int shift) {
    return static_cast<int>((pixel >> shift) & 0xFF);
}

// Every picture of the list enlarged by the plan's whole number, pixel for
// pixel, and centred in a cell of the plan's size. A picture's soft edges are
// found by drawing it on black and on white: where the background shows
// through more than a quarter the pixel is left out (masked), elsewhere the
// button face takes the part that shows through. No magenta fringe.
UniqueImageList EnlargedImages(HIMAGELIST source, const ToolbarIconPlan& plan) {
    const int count = ImageList_GetImageCount(source);
    UniqueImageList out(ImageList_Create(plan.cell, plan.cell, ILC_COLOR32 | ILC_MASK, count + 8, 8));
    UniqueMemoryDc onBlack(CreateCompatibleDC(nullptr));
    UniqueMemoryDc onWhite(CreateCompatibleDC(nullptr));
    UniqueMemoryDc enlarged(CreateCompatibleDC(nullptr));
    const HGDIOBJ blackWas = GetCurrentObject(onBlack.get(), OBJ_BITMAP);
    const HGDIOBJ whiteWas = GetCurrentObject(onWhite.get(), OBJ_BITMAP);
    const HGDIOBJ enlargedWas = GetCurrentObject(enlarged.get(), OBJ_BITMAP);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const int faceRgb[3] = {GetBValue(face), GetGValue(face), GetRValue(face)}; // by shift 0, 8, 16
    const int at = (plan.cell - plan.base * plan.scale) / 2;
    for (int i = 0; i < count; ++i) {
        const Canvas black = FilledCanvas(onBlack.get(), plan.base, plan.base, RGB(0, 0, 0));
        const Canvas white = FilledCanvas(onWhite.get(), plan.base, plan.base, RGB(255, 255, 255));
        ImageList_Draw(source, i, onBlack.get(), 0, 0, ILD_NORMAL);
        ImageList_Draw(source, i, onWhite.get(), 0, 0, ILD_NORMAL);
        const Canvas cell = FilledCanvas(enlarged.get(), plan.cell, plan.cell, kMaskColour);
        for (int y = 0; y < plan.base; ++y)
            for (int x = 0; x < plan.base; ++x) {
                const std::uint32_t b = black.pixels[y * plan.base + x];
                const std::uint32_t w = white.pixels[y * plan.base + x];
                int through = 0; // 0 opaque .. 255 fully transparent
                for (int shift : {0, 8, 16})
                    through = std::max(through, Channel(w, shift) - Channel(b, shift));
                if (through > 64)
                    continue;
                std::uint32_t pixel = 0;
                for (int c = 0; c < 3; ++c) {
                    const int v = Channel(b, 8 * c) + faceRgb[c] * through / 255;
                    pixel |= static_cast<std::uint32_t>(std::min(v, 255)) << (8 * c);
                }
                for (int dy = 0; dy < plan.scale; ++dy)
                    for (int dx = 0; dx < plan.scale; ++dx)
                        cell.pixels[(at + y * plan.scale + dy) * plan.cell + at + x * plan.scale + dx] =
                            pixel;
            }
        SelectObject(onBlack.get(), blackWas);
        SelectObject(onWhite.get(), whiteWas);
        SelectObject(enlarged.get(), enlargedWas);
        ImageList_AddMasked(out.get(), cell.bitmap.get(), kMaskColour);
    }
    return out;
}

} // namespace

// One image list for the toolbar at the window's DPI: the system's standard
// and view pictures, then ours (masked on magenta) for the commands those
// have no picture for. The system's sets come through the toolbar at their
// own size and are enlarged where the DPI asks for it.
MainWindow::ToolbarImageBases MainWindow::makeToolbarImages() {
    const ToolbarIconPlan plan = ToolbarIconsAt(dpi_);
    const bool large = plan.base == 24;
    UniqueImageList source(ImageList_Create(plan.base, plan.base, ILC_COLOR32 | ILC_MASK, 32, 8));
    // A toolbar loads a system set once: a hidden one loads them afresh.
    const HWND loader = Child(hwnd_, TOOLBARCLASSNAMEW, "", CCS_NOPARENTALIGN | CCS_NORESIZE);
    ShowWindow(loader, SW_HIDE);
    SendMessageW(loader, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(loader, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(source.get()));
    SendMessageW(loader, TB_LOADIMAGES, large ? IDB_STD_LARGE_COLOR : IDB_STD_SMALL_COLOR,
                 reinterpret_cast<LPARAM>(HINST_COMMCTRL));
    const int viewBase = ImageList_GetImageCount(source.get());
    SendMessageW(loader, TB_LOADIMAGES, large ? IDB_VIEW_LARGE_COLOR : IDB_VIEW_SMALL_COLOR,
                 reinterpret_cast<LPARAM>(HINST_COMMCTRL));
    const int ownBase = ImageList_GetImageCount(source.get());
    SendMessageW(loader, TB_SETIMAGELIST, 0, 0);
    DestroyWindow(loader);
    UniqueImageList images = plan.cell == plan.base ? std::move(source) : EnlargedImages(source.get(), plan);
    UniqueBitmap own = DrawOwnImages(plan.cell);
    ImageList_AddMasked(images.get(), own.get(), kMaskColour);
    SendMessageW(toolbar_, TB_SETBITMAPSIZE, 0, MAKELPARAM(plan.cell, plan.cell));
    SendMessageW(toolbar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images.get()));
    images_ = std::move(images);
    return {0, viewBase, ownBase};
}

void MainWindow::onCreate() {
    dpi_ = WindowDpi(hwnd_);
    createMenus();
    createControls();
    applyFonts();
}

// The menu bar. Every toolbar command is here too, each menu's access keys
// are its own, and the keys of the accelerator table are named.
void MainWindow::createMenus() {
    HMENU bar = CreateMenu();
    AppendMenuW(bar, MF_POPUP,
                reinterpret_cast<UINT_PTR>(MakePopupMenu({{cmdAddFolderOnly, "Add Folders &Only"},
                                                          {cmdAddFolder, "Add &Folders"},
                                                          {cmdAddDrawings, "Add D&rawings"},
                                                          {cmdRemove, "Re&move\tDel"},
                                                          {0, nullptr},
                                                          {cmdConnect, "&Connect Network Disk"},
                                                          {cmdDisconnect, "&Disconnect Network Disk"},
                                                          {0, nullptr},
                                                          {cmdExit, "E&xit"}})),
                L"&File");
    AppendMenuW(bar, MF_POPUP,
                reinterpret_cast<UINT_PTR>(MakePopupMenu({{cmdRun, "&Run\tF5"},
                                                          {cmdRunFailed, "Run &Failed Again"},
                                                          {cmdStop, "&Stop\tShift+F5"},
                                                          {cmdStart, "Start &Timer..."}})),
                L"&Run");
    AppendMenuW(bar, MF_POPUP,
                reinterpret_cast<UINT_PTR>(MakePopupMenu({{cmdSettings, "&Settings"},
                                                          {cmdExportList, "&Export List to Log File"},
                                                          {cmdImportList, "&Import List from Log File"},
                                                          {0, nullptr},
                                                          {cmdExportReport, "Export &Report..."}})),
                L"&Options");
    AppendMenuW(bar, MF_POPUP,
                reinterpret_cast<UINT_PTR>(MakePopupMenu({{cmdHelp, "&Help"}, {cmdAbout, "&About"}})),
                L"&Help");
    SetMenu(hwnd_, bar);
}

namespace {

// The caption of a list column: the cells' captions, then "Missing".
std::string_view ShownCaption(std::size_t column) {
    return column == kColMissing ? kMissingCaption : kColumnCaptions[column];
}

} // namespace

void MainWindow::createControls() {
    createToolbar();
    label1_ = Child(hwnd_, L"STATIC", "Selected drawings:", SS_LEFT, kLabel1Id);
    picture2_ = Child(hwnd_, L"STATIC", "", SS_NOTIFY, kPicture2Id);
    ShowWindow(picture2_, SW_HIDE); // until a run shows its meter
    SetWindowSubclass(picture2_, MeterProc, 0, reinterpret_cast<DWORD_PTR>(this));
    label2_ = Child(hwnd_, L"STATIC", "Preview:", SS_LEFT, kLabel2Id);
    list_ = Child(hwnd_, WC_LISTVIEWW, "",
                  WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS, kListId);
    ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT | LVS_EX_HEADERDRAGDROP |
                                                 LVS_EX_DOUBLEBUFFER | LVS_EX_LABELTIP | LVS_EX_INFOTIP);
    for (std::size_t i = 0; i < kListColumnCount; ++i) {
        const std::wstring caption = Widen(ShownCaption(i));
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
    const auto [stdBase, viewBase, ownBase] = makeToolbarImages();
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
    minHeightTwips_ = MinWindowHeightTwips(
        PixelsToTwips(ProductLabelTextHeight(prodName_, font_.get(), kLabelLinesAtMinimum), dpi_));
}

int ProductLabelTextHeight(HWND label, HFONT font, int lines) {
    WindowDc dc(label);
    ScopedSelect select(dc.get(), font);
    std::wstring sample = L"A";
    for (int i = 1; i < lines; ++i)
        sample += L"\nA";
    RECT text{0, 0, 1000, 0};
    DrawTextW(dc.get(), sample.c_str(), -1, &text, DT_CALCRECT | DT_NOPREFIX);
    return text.bottom - text.top;
}

void MainWindow::onSize() {
    if (IsIconic(hwnd_))
        return;
    layoutControls();
}

namespace {

struct StripPlaces {
    RECT list, meter, label1, label2;
};

// The strip between the toolbar and the list holds the meter, which is
// taller than the strip as designed: the list's top edge moves down by the
// difference, its bottom edge stays where the resize table puts it. The
// labels sit in the strip's middle.
StripPlaces PlaceStrip(RECT list, RECT label1, RECT label2, int stripTop, int meterLeft, int dpi) {
    const int meterWidth = MulDiv(kMeterWidth, dpi, 96);
    const int meterHeight = MulDiv(kMeterHeight, dpi, 96);
    const int extra = std::max(0, stripTop + meterHeight + 2 - static_cast<int>(list.top));
    list.top += extra;
    const RECT meter{meterLeft, stripTop, meterLeft + meterWidth, stripTop + meterHeight};
    const int labelHeight = label1.bottom - label1.top;
    label1.top = stripTop + (list.top - stripTop - labelHeight) / 2;
    label1.bottom = label1.top + labelHeight;
    label1.right = std::min<LONG>(label1.right, meter.left - 4);
    // Over the preview's column; while the window is narrow the meter reaches
    // into it, and the label moves right to stay readable.
    const LONG width2 = label2.right - label2.left;
    label2.left = std::max<LONG>(label2.left, meter.right + 6);
    label2.right = label2.left + width2;
    label2.top = label1.top;
    label2.bottom = label1.bottom;
    return {list, meter, label1, label2};
}

} // namespace

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
    // Moved without painting; the whole window repaints once at the end,
    // its background first and its controls over it (it does not clip its
    // children, so a control painted while it moves would be painted over).
    auto place = [](HWND w, const RECT& r) {
        MoveWindow(w, r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
    };

    const StripPlaces strip =
        PlaceStrip(rect(At(layout, MainControl::ListView1)), rect(At(layout, MainControl::Label1)),
                   rect(At(layout, MainControl::Label2)), toolbarBottom,
                   TwipsToPixels(At(layout, MainControl::Picture2).left, dpi_), dpi_);
    const RECT& label1 = strip.label1;
    const RECT& meter = strip.meter;
    const RECT& listRect = strip.list;
    const RECT& label2 = strip.label2;

    place(label1_, label1);
    place(picture2_, meter);
    place(list_, listRect);
    place(label2_, label2);
    columnsFitted_ = columnsStillFitted();
    if (columnsFitted_)
        fitColumns();
    // The preview starts no higher than the list: the strip above both
    // (labels, meter) grows with the fonts and the meter at every DPI.
    RECT previewRect = rect(At(layout, MainControl::Preview));
    previewRect.top = std::max(previewRect.top, listRect.top);
    place(preview_.window(), previewRect);
    const TwipsRect frame = At(layout, MainControl::Frame1);
    place(frame_, rect(frame));
    TwipsRect label = At(layout, MainControl::ProdName);
    label.left += frame.left;
    label.top += frame.top;
    place(prodName_, rect(label));
    place(status_, rect(At(layout, MainControl::Status)));
    // At the start the first paint waits for the message loop, which begins
    // at once; every later layout paints before it returns.
    RedrawWindow(hwnd_, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | (starting_ ? 0 : RDW_UPDATENOW));
}

void MainWindow::onGetMinMaxInfo(MINMAXINFO& info) {
    const int dpi = hwnd_ != nullptr ? WindowDpi(hwnd_) : 96;
    info.ptMinTrackSize = {TwipsToPixels(kMinWindowWidthTwips, dpi), TwipsToPixels(minHeightTwips_, dpi)};
    info.ptMaxTrackSize = {GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

void MainWindow::onDpiChanged(int dpi, const RECT& suggested) {
    dpi_ = dpi;
    applyFonts();
    makeToolbarImages();
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
    // The menus show the same.
    if (const HMENU bar = GetMenu(hwnd_)) {
        for (int i = 0; i < kWorkButtons; ++i)
            EnableMenuItem(bar, kToolbarButtons[i].command, MF_BYCOMMAND | (busy ? MF_GRAYED : MF_ENABLED));
        EnableMenuItem(bar, cmdRunFailed, MF_BYCOMMAND | (busy ? MF_GRAYED : MF_ENABLED));
        EnableMenuItem(bar, cmdStop, MF_BYCOMMAND | (busy ? MF_ENABLED : MF_GRAYED));
    }
    // The hourglass while busy, over the whole window.
    SetCursor(LoadCursorW(nullptr, busy ? IDC_WAIT : IDC_ARROW));
    showLabels();
}

void MainWindow::fitColumns() {
    // What a column typically holds; Status holds the longest words.
    static constexpr std::array<std::string_view, kListColumnCount> kTypical{
        "Ground floor plan A-101.dwg", "C:\\Projects\\Tower\\Drawings", "2018",        "", "123456", "123456",
        "2026-12-31 23:59:59",         "2026-12-31 23:59:59",           "2: Site plan"};
    // The dates as the user's own short date and long time write them (with
    // "PM", a month name, a four-digit year: often wider than the above).
    SYSTEMTIME late{};
    late.wYear = 2026;
    late.wMonth = 12;
    late.wDay = 28;
    late.wHour = 23;
    late.wMinute = 58;
    late.wSecond = 58;
    const std::wstring localDate = Widen(FormatLocalSystemTime(late));
    const int padding = MulDiv(16, dpi_, 96);
    int others = 0;
    for (std::size_t i = 0; i < kListColumnCount; ++i) {
        if (i == kColStatus)
            continue;
        int width = std::max(ListView_GetStringWidth(list_, Widen(ShownCaption(i)).c_str()),
                             ListView_GetStringWidth(list_, Widen(kTypical[i]).c_str()));
        if (i == kColDateBefore || i == kColDateAfter)
            width = std::max(width, ListView_GetStringWidth(list_, localDate.c_str()));
        width += padding;
        ListView_SetColumnWidth(list_, static_cast<int>(i), width);
        fittedWidths_[i] = ListView_GetColumnWidth(list_, static_cast<int>(i));
        others += width;
    }
    RECT client;
    GetClientRect(list_, &client);
    const int least =
        ListView_GetStringWidth(list_, Widen(status::kWouldReplaceAnotherFile).c_str()) + padding;
    ListView_SetColumnWidth(list_, kColStatus, std::max(least, static_cast<int>(client.right) - others));
    fittedWidths_[kColStatus] = ListView_GetColumnWidth(list_, kColStatus);
}

bool MainWindow::columnsStillFitted() const {
    if (!columnsFitted_)
        return false;
    for (std::size_t i = 0; i < kListColumnCount; ++i)
        if (ListView_GetColumnWidth(list_, static_cast<int>(i)) != fittedWidths_[i])
            return false;
    return true;
}

WindowLayout MainWindow::currentWindowLayout() const {
    WindowLayout layout;
    layout.columnWidthsSet = !columnsStillFitted();
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
    std::array<int, kListColumnCount> order{};
    ListView_GetColumnOrderArray(list_, static_cast<int>(kListColumnCount), order.data());
    for (std::size_t i = 0; i < kListColumnCount; ++i) {
        layout.columnWidth[i] =
            static_cast<float>(PixelsToTwips(ListView_GetColumnWidth(list_, static_cast<int>(i)), dpi));
        for (std::size_t p = 0; p < kListColumnCount; ++p)
            if (order[p] == static_cast<int>(i))
                layout.columnPosition[i] = static_cast<std::int16_t>(p + 1);
    }
    return layout;
}

void MainWindow::applyWindowLayout(const WindowLayout& layout) {
    const int dpi = dpi_;
    // Columns first, while the window is still hidden: each change to a
    // shown list repaints its header.
    columnsFitted_ = !layout.columnWidthsSet;
    if (columnsFitted_)
        fitColumns();
    else
        for (std::size_t i = 0; i < kListColumnCount; ++i)
            ListView_SetColumnWidth(list_, static_cast<int>(i),
                                    TwipsToPixels(static_cast<std::int32_t>(layout.columnWidth[i]), dpi));
    // Display positions, when they are a permutation of 1 … 9.
    std::array<int, kListColumnCount> order{};
    order.fill(-1);
    bool valid = true;
    for (std::size_t i = 0; i < kListColumnCount && valid; ++i) {
        const int p = layout.columnPosition[i] - 1;
        valid = p >= 0 && p < static_cast<int>(kListColumnCount) && order[static_cast<std::size_t>(p)] < 0;
        if (valid)
            order[static_cast<std::size_t>(p)] = static_cast<int>(i);
    }
    if (valid)
        ListView_SetColumnOrderArray(list_, static_cast<int>(kListColumnCount), order.data());

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

void MainWindow::showToolbarTip(NMTBGETINFOTIPW& tip) {
    for (const auto& b : kToolbarButtons)
        if (b.key != nullptr && static_cast<int>(b.command) == tip.iItem && tip.cchTextMax > 0)
            lstrcpynW(tip.pszText, Widen(b.tooltip).c_str(), tip.cchTextMax);
}

} // namespace ps
