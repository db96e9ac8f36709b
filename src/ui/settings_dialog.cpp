#include "ui/settings_dialog.h"

#include "acad/products.h"
#include "acad/releases.h"
#include "core/strings.h"
#include "core/file_facts.h"
#include "platform/win_file_system.h"
#include "platform/text.h"
#include "settings/explorer_entry.h"
#include "settings/settings_form.h"
#include "settings/settings_keys.h"
#include "ui/resource.h"
#include "ui/win_ui.h"

#include <commctrl.h>
#include <shlwapi.h>
#include <uxtheme.h>

#include <algorithm>

namespace ps {
namespace {

enum ControlId : int {
    idAcadVer = 2001,
    idAcadProf,
    idTimeout,
    idScriptFile,
    idScriptBrowse,
    idPurgeTimes,
    idSaveToFolder,
    idGetPath,
    idDeleteDays,
    idIsaveText,
    idIsaveCheck,
    idCreateShortcut,
    idDeleteShortcut,
    idShortcutState,
    idRowConvert = 2100, // + row
    idRowApp = 2110,
    idRowProf = 2120,
    idIndexctl = 2200, // + option index
    idProxy = 2210,
    idRaster = 2220,
    idCheckBase = 3000, // + index into kChecks
    idStatic = 4000,
};
static_assert(idRowApp - idRowConvert >= static_cast<int>(kFormatCount) &&
              idRowProf - idRowApp >= static_cast<int>(kFormatCount));
constexpr UINT kValidateMessage = WM_APP + 10;

// FormatGrid: the SaveAs page's rows, one per release family, at this spot
// of the tab order (x, y: the first row's place; h: the rows' spacing).
enum class Kind { Label, Edit, Combo, Button, Group, Radio, FormatGrid };

struct Item {
    Kind kind;
    int id;
    int page;
    int x, y, w, h;
    const char* caption;
    const char* tip;
};

// The SaveAs page's rows: the first one's top and the spacing, and the top of
// what follows them (every release family adds a row).
constexpr int kGridTop = 26;
constexpr int kGridRow = 16;
constexpr int kBelowGrid = kGridTop + kGridRow * static_cast<int>(kFormatCount) + 8;

// Pages: 0 General, 1 Purge, 2 SaveAs, 3 Delete, 4 Variables, 5 Shortcut, 6 architectural styles.
const Item kItems[] = {
    {Kind::Label, idStatic, 0, 7, 9, 110, 8, "AutoCAD application:", nullptr},
    {Kind::Combo, idAcadVer, 0, 120, 7, 280, 160, nullptr, nullptr},
    {Kind::Label, idStatic, 0, 7, 27, 110, 8, "Profile:", nullptr},
    {Kind::Combo, idAcadProf, 0, 120, 25, 280, 160, nullptr, nullptr},
    {Kind::Label, idStatic, 0, 7, 45, 150, 8, "Script timeout per drawing (seconds):", nullptr},
    {Kind::Edit, idTimeout, 0, 160, 43, 50, 12, nullptr, nullptr},
    {Kind::Label, idStatic, 0, 7, 63, 110, 8, "Script/lisp file:", nullptr},
    {Kind::Edit, idScriptFile, 0, 120, 61, 258, 12, nullptr, nullptr},
    {Kind::Button, idScriptBrowse, 0, 382, 61, 18, 12, "...", nullptr},

    {Kind::Label, idStatic, 1, 200, 8, 98, 8, "Number of times to purge:", nullptr},
    {Kind::Edit, idPurgeTimes, 1, 300, 6, 30, 12, nullptr, nullptr},
    {Kind::Group, idStatic, 1, 7, 98, 394, 126, "Only for AutoCAD 2000 and verticals or later", nullptr},

    {Kind::Label, idStatic, 2, 7, 14, 70, 8, "Original format:", nullptr},
    {Kind::Label, idStatic, 2, 80, 14, 120, 8, "Convert to:", nullptr},
    {Kind::Label, idStatic, 2, 205, 3, 196, 8, "Overrides general setting if selected:", nullptr},
    {Kind::Label, idStatic, 2, 205, 14, 115, 8, "AutoCAD application:", nullptr},
    {Kind::Label, idStatic, 2, 325, 14, 76, 8, "Profile:", nullptr},
    {Kind::FormatGrid, idStatic, 2, 7, kGridTop, 394, kGridRow, nullptr, nullptr},
    {Kind::Edit, idSaveToFolder, 2, 100, kBelowGrid + 29, 278, 12, nullptr, nullptr},
    {Kind::Button, idGetPath, 2, 382, kBelowGrid + 29, 18, 12, "...", "Browse for a folder"},

    {Kind::Group, idStatic, 3, 7, 5, 394, 118, "Delete following files in each selected folder", nullptr},
    {Kind::Label, idStatic, 3, 14, 102, 100, 8, "Delete only files older than", nullptr},
    {Kind::Edit, idDeleteDays, 3, 116, 100, 40, 12, nullptr, nullptr},
    {Kind::Label, idStatic, 3, 160, 102, 30, 8, "days", nullptr},
    {Kind::Label, idStatic, 3, 7, 132, 394, 18,
     "These options are used only by the command \"Add Folders Only\": the folders of its rows are cleaned "
     "when "
     "the run starts.",
     nullptr},

    {Kind::Group, idStatic, 4, 7, 5, 196, 80, "INDEXCTL", nullptr},
    {Kind::Radio, idIndexctl + 0, 4, 14, 18, 185, 10, "Don't change", nullptr},
    {Kind::Radio, idIndexctl + 1, 4, 14, 30, 185, 10, "0 - No indexes are created", nullptr},
    {Kind::Radio, idIndexctl + 2, 4, 14, 42, 185, 10, "1 - Layer index is created", nullptr},
    {Kind::Radio, idIndexctl + 3, 4, 14, 54, 185, 10, "2 - Spatial index is created", nullptr},
    {Kind::Radio, idIndexctl + 4, 4, 14, 66, 185, 10, "3 - Layer and spatial indexes are created", nullptr},
    {Kind::Group, idStatic, 4, 207, 5, 194, 56, "PROXYGRAPHICS", nullptr},
    {Kind::Radio, idProxy + 0, 4, 214, 18, 183, 10, "Don't change", nullptr},
    {Kind::Radio, idProxy + 1, 4, 214, 30, 183, 10, "0 - Does not save image with the drawing", nullptr},
    {Kind::Radio, idProxy + 2, 4, 214, 42, 183, 10, "1 - Saves image with the drawing", nullptr},
    {Kind::Group, idStatic, 4, 7, 92, 196, 56, "RASTERPREVIEW", nullptr},
    {Kind::Radio, idRaster + 0, 4, 14, 105, 185, 10, "Don't change", nullptr},
    {Kind::Radio, idRaster + 1, 4, 14, 117, 185, 10, "0 - No preview image is created", nullptr},
    {Kind::Radio, idRaster + 2, 4, 14, 129, 185, 10, "1 - Preview image created", nullptr},
    {Kind::Group, idStatic, 4, 207, 68, 194, 56, "ISAVEPERCENT", nullptr},
    {Kind::Edit, idIsaveText, 4, 214, 82, 40, 12, nullptr, nullptr},
    {Kind::Label, idStatic, 4, 258, 84, 120, 8, "Between 0 and 100", nullptr},

    {Kind::Label, idStatic, 5, 7, 7, 394, 18,
     "Create or delete shortcut to Plansweeper in Explorer when rightclicking on drawing files.", nullptr},
    {Kind::Button, idCreateShortcut, 5, 7, 30, 60, 14, "&Create", nullptr},
    {Kind::Button, idDeleteShortcut, 5, 72, 30, 60, 14, "&Delete", nullptr},
    {Kind::Label, idShortcutState, 5, 7, 52, 394, 18, "", nullptr},
};

struct Check {
    const char* key;
    const char* caption;
    int page;
    int x, y, w;
    const char* tip;
};

// Check boxes by settings key; id = idCheckBase + index.
const Check kChecks[] = {
    {"IncludeSubfolders", "Include subfolders", 0, 7, 84, 390, nullptr},
    {"showVersion", "Add drawing version to the list", 0, 7, 97, 390, nullptr},
    {"ArchiveAttrib", "Include files with Archive file attribute", 0, 7, 110, 390, nullptr},
    {"IncludeDXF", "Include DXF files", 0, 7, 123, 390, "The DXF files will be saved to DXF format"},
    {"Audit", "Run Audit on all drawings", 0, 7, 136, 390, nullptr},
    {"OnTop", "Run with Plansweeper on top of other applications", 0, 7, 149, 390, nullptr},
    {"PSpace", "Force PSPACE to avoid zoom extents in a viewport", 0, 7, 162, 390, nullptr},
    {"ZoomE", "Zoom Extents", 0, 7, 175, 390, nullptr},
    {"ClosePopUps", "Close Popups Automatically", 0, 7, 188, 390, nullptr},

    {"PurgeAll", "Purge All", 1, 7, 7, 180, nullptr},
    {"PurgeBlock", "Purge all Blocks", 1, 7, 24, 190, nullptr},
    {"PurgeDim", "Purge all Dimension styles", 1, 7, 36, 190, nullptr},
    {"PurgeLayer", "Purge all Layers", 1, 7, 48, 190, nullptr},
    {"PurgeLT", "Purge all Linetypes", 1, 7, 60, 190, nullptr},
    {"PurgeML", "Purge all Mline styles", 1, 7, 72, 190, nullptr},
    {"PurgeShape", "Purge all Shapes", 1, 7, 84, 190, nullptr},
    {"PurgeText", "Purge all Text styles", 1, 205, 24, 196, nullptr},
    {"PurgeRegapps", "Purge all Regapps", 1, 205, 36, 196, nullptr},
    {"PurgeTableStyles", "Purge all Table styles", 1, 205, 48, 196, nullptr},
    {"PurgeMaterials", "Purge all Materials", 1, 205, 60, 196, nullptr},
    {"PurgeVisualStyles", "Purge all Visual styles", 1, 205, 72, 196, nullptr},
    {"PurgeOrphaned", "Purge orphaned data", 1, 205, 84, 196, "AutoCAD and AutoCAD LT 2018 and later"},
    {"PurgeCleanRegApp", "Purge Regapps using ASDKCleanRegAppARX (2004-2008)", 1, 14, 111, 384, nullptr},
    {"PurgeAllNOD", "Purge all named object dictionaries", 1, 14, 124, 190, nullptr},
    {"PurgePS", "Purge all Plot styles", 1, 14, 137, 190, nullptr},
    {"DelText", "Delete all Text objects without text", 1, 14, 150, 190, nullptr},
    {"DelLayer", "Delete all Layer states", 1, 14, 163, 190, nullptr},
    {"DelExpress", "Delete all Layer manager states (Express Tools)", 1, 14, 176, 190, nullptr},
    {"DelLine", "Delete all Line objects without length", 1, 14, 189, 190, nullptr},
    {"DelFilter", "Delete all Filter states", 1, 208, 124, 190, nullptr},
    {"ACAD_VBA", "Delete all embedded VBA code", 1, 208, 137, 190, nullptr},
    {"AppId", "Purge all registered applications collection", 1, 208, 150, 190, nullptr},
    {"DelPageSetups", "Delete all Page setups", 1, 208, 163, 190, nullptr},
    {"PurgeAnonymGroups", "Purge all Anonymous Groups", 1, 208, 176, 190, nullptr},
    {"PurgeAllGroups", "Purge all Groups", 1, 208, 189, 190, nullptr},

    {"CreateBak", "Create backup files for each save", 2, 7, kBelowGrid, 300, nullptr},
    {"RestoreTime", "Restore date and time", 2, 7, kBelowGrid + 14, 300, nullptr},
    {"bSaveToFolder", "Save to this folder:", 2, 7, kBelowGrid + 30, 90, nullptr},

    {"DeleteBak", "*.BAK - AutoCAD Backup Drawing", 3, 14, 18, 188, nullptr},
    {"DeleteBK", "*.BK? - AutoCAD Backup Drawings", 3, 14, 31, 188, nullptr},
    {"DeleteSV", "*.SV$ - AutoCAD Autosave Drawing", 3, 14, 44, 188, nullptr},
    {"DeleteEBD", "*.$$$ - AutoCAD Emergency Backup Drawing", 3, 14, 57, 188, nullptr},
    {"DeleteAC", "*.AC$ - AutoCAD Temporary File", 3, 14, 70, 188, nullptr},
    {"DeleteDMP", "*.DMP - AutoCAD Error Dump File", 3, 14, 83, 188, nullptr},
    {"DeleteERR", "*.ERR - AutoCAD Error File", 3, 208, 18, 188, nullptr},
    {"DeleteXLG", "*.XLG - AutoCAD XREF Log", 3, 208, 31, 188, nullptr},
    {"DeleteDWL", "*.DWL - lock file", 3, 208, 44, 188, nullptr},
    {"DeleteDWK", "*.DWK - lock file", 3, 208, 57, 188, nullptr},
    {"DeletePlotLog", "PLOT.LOG", 3, 208, 70, 188, nullptr},

    {"PurgeDoorStyles", "Purge all Door Styles", 6, 7, 7, 190, nullptr},
    {"PurgeRailingStyles", "Purge all Railing Styles", 6, 7, 20, 190, nullptr},
    {"PurgeSpaceStyles", "Purge all Space Styles", 6, 7, 33, 190, nullptr},
    {"PurgeStairStyles", "Purge all Stair Styles", 6, 7, 46, 190, nullptr},
    {"PurgeWallEndcapStyles", "Purge all Wall Endcap Styles", 6, 7, 59, 190, nullptr},
    {"PurgeWallStyles", "Purge all Wall Styles", 6, 7, 72, 190, nullptr},
    {"PurgeWindowStyles", "Purge all Window Styles", 6, 7, 85, 190, nullptr},
    {"PurgeAECDimensionStyles", "Purge all AEC Dimension Styles", 6, 7, 98, 190, nullptr},
    {"PurgeAreaGroupStyles", "Purge all Area Group Styles", 6, 7, 111, 190, nullptr},
    {"PurgeAreaStyles", "Purge all Area Styles", 6, 205, 7, 196, nullptr},
    {"PurgeCalculationModifierStyles", "Purge all Calculation Modifier Styles", 6, 205, 20, 196, nullptr},
    {"PurgeAECPolygonStyles", "Purge all AEC Polygon Styles", 6, 205, 33, 196, nullptr},
    {"PurgeCustomMemberShapeStyles", "Purge all Custom Member Shape Styles", 6, 205, 46, 196, nullptr},
    {"PurgeStructuralMemberStyles", "Purge all Structural Member Styles", 6, 205, 59, 196, nullptr},
    {"PurgeMultiViewBlockDefinitions", "Purge all Multi-View Block Definitions", 6, 205, 72, 196, nullptr},
    {"PurgeLayerStyles", "Purge all Layer Styles", 6, 205, 85, 196, nullptr},
    {"PurgeCustomShapeDefinitions", "Purge all Custom Shape Definitions", 6, 205, 98, 196, nullptr},
};

constexpr const char* kTabs[] = {"General", "Purge", "SaveAs", "Delete", "Variables", "Shortcut"};

int CheckIndex(std::string_view key) {
    for (std::size_t i = 0; i < std::size(kChecks); ++i)
        if (EqualsNoCase(kChecks[i].key, key))
            return static_cast<int>(i);
    return -1;
}

bool IsChecked(HWND box) {
    return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SetChecked(HWND box, bool on) {
    SendMessageW(box, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

std::string ComboText(HWND combo) {
    const LRESULT i = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (i == CB_ERR)
        return {};
    const LRESULT n = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
    std::wstring text(static_cast<std::size_t>(std::max<LRESULT>(n, 0)) + 1, L'\0');
    SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(std::max<LRESULT>(n, 0)));
    return Narrow(text);
}

void FillCombo(HWND combo, const std::vector<std::string>& entries) {
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    for (const auto& e : entries)
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(e).c_str()));
}

// Selects the entry equal to the text (letter case included); false when none is.
bool SelectExact(HWND combo, const std::string& text) {
    const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
        if (ComboText(combo) == text)
            return true;
    }
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    return false;
}

// The drop-down part as wide as the longest entry, within the screen.
void WidenDropDown(HWND combo) {
    const WindowDc dc(combo);
    const ScopedSelect font(dc.get(), reinterpret_cast<HFONT>(SendMessageW(combo, WM_GETFONT, 0, 0)));
    int widest = 0;
    const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT n = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
        std::wstring text(static_cast<std::size_t>(std::max<LRESULT>(n, 0)) + 1, L'\0');
        SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
        SIZE size{};
        GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(std::max<LRESULT>(n, 0)), &size);
        widest = std::max(widest, static_cast<int>(size.cx) + 20);
    }
    widest = std::min(widest, GetSystemMetrics(SM_CXSCREEN) - 20);
    if (widest > static_cast<int>(SendMessageW(combo, CB_GETDROPPEDWIDTH, 0, 0)))
        SendMessageW(combo, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(widest), 0);
}

// A box's path is looked at for two seconds at most: an unreachable share
// cannot hang the dialog, and counts as not there.
constexpr unsigned kPathCheckMs = 2000;

bool FolderExistsOnDisk(std::string_view path) {
    const auto attributes = AttributesWithin(path, kPathCheckMs);
    return attributes && (*attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool FileExistsOnDisk(std::string_view path) {
    const auto attributes = AttributesWithin(path, kPathCheckMs);
    return attributes && (*attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::optional<FormBox> BoxOf(int id) {
    switch (id) {
    case idIsaveText:
        return FormBox::ISavePercent;
    case idTimeout:
        return FormBox::Timeout;
    case idDeleteDays:
        return FormBox::DeleteDays;
    case idPurgeTimes:
        return FormBox::PurgeTimes;
    case idSaveToFolder:
        return FormBox::SaveToFolder;
    case idScriptFile:
        return FormBox::ScriptFile;
    default:
        return std::nullopt;
    }
}

} // namespace

SettingsDialog::SettingsDialog(Context context) : c_(std::move(context)) {}

SettingsDialog::~SettingsDialog() {
    if (hwnd_ != nullptr && IsWindow(hwnd_))
        DestroyWindow(hwnd_);
}

HWND SettingsDialog::create(HWND owner) {
    owner_ = owner;
    hwnd_ = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_SETTINGS), owner, DialogProc,
                               reinterpret_cast<LPARAM>(this));
    return hwnd_;
}

bool SettingsDialog::showModal(HWND owner) {
    if (create(owner) == nullptr)
        return false;
    EnableWindow(owner, FALSE);
    ShowWindow(hwnd_, SW_SHOW);
    MSG msg;
    while (!closed_ && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        // Ctrl+Tab and Ctrl+Shift+Tab switch tabs, as in every tabbed dialog.
        if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB && (GetKeyState(VK_CONTROL) & 0x8000) != 0) {
            const int n = static_cast<int>(std::size(kTabs));
            const int next = (page_ + ((GetKeyState(VK_SHIFT) & 0x8000) != 0 ? n - 1 : 1)) % n;
            TabCtrl_SetCurSel(tabs_, next);
            showPage(next);
            continue;
        }
        if (IsDialogMessageW(hwnd_, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    EnableWindow(owner, TRUE);
    SetActiveWindow(owner);
    DestroyWindow(hwnd_);
    hwnd_ = nullptr;
    return accepted_;
}

HWND SettingsDialog::control(int id) const {
    if (HWND w = GetDlgItem(hwnd_, id))
        return w;
    for (HWND page : pages_)
        if (HWND w = page != nullptr ? GetDlgItem(page, id) : nullptr)
            return w;
    return nullptr;
}

INT_PTR CALLBACK SettingsDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<SettingsDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<SettingsDialog*>(lParam);
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        self->hwnd_ = hwnd;
    }
    if (self == nullptr)
        return FALSE;
    try {
        return self->handle(message, wParam, lParam);
    } catch (const std::exception& e) {
        ShowError(hwnd, "Dialog", e.what());
        return TRUE;
    }
}

// The pages hand their controls' notifications to the dialog.
INT_PTR CALLBACK SettingsDialog::PageProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND || message == WM_NOTIFY) {
        SendMessageW(GetParent(hwnd), message, wParam, lParam);
        return TRUE;
    }
    if (message == WM_INITDIALOG) {
        // The page takes the tab's own background where visual styles draw one.
        EnableThemeDialogTexture(hwnd, ETDT_ENABLETAB);
        return TRUE;
    }
    if (message == WM_CTLCOLORSTATIC) {
        // A disabled or read-only text box looks it: the face colour, not the
        // page's white.
        const auto box = reinterpret_cast<HWND>(lParam);
        wchar_t cls[16]{};
        GetClassNameW(box, cls, 16);
        if (lstrcmpiW(cls, WC_EDITW) == 0) {
            const auto dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, GetSysColor(IsWindowEnabled(box) ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
        }
    }
    return FALSE;
}

INT_PTR SettingsDialog::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        onInit();
        return TRUE;
    case WM_COMMAND:
        onCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return TRUE;
    case WM_NOTIFY:
        SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, onNotify(*reinterpret_cast<NMHDR*>(lParam)));
        return TRUE;
    case kValidateMessage:
        validating_ = false;
        validate(static_cast<int>(wParam), true);
        return TRUE;
    case WM_CLOSE:
        close(false);
        return TRUE;
    default:
        return FALSE;
    }
}

void SettingsDialog::onInit() {
    tabs_ = GetDlgItem(hwnd_, IDC_SETTINGS_TABS);
    for (int i = 0; i < static_cast<int>(std::size(kTabs)); ++i) {
        std::wstring caption = Widen(kTabs[i]);
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = caption.data();
        TabCtrl_InsertItem(tabs_, i, &item);
    }
    buildPages();
    layoutPages();
    loading_ = true;
    fillValues();
    loading_ = false;
    for (int id : {idAcadVer, idAcadProf})
        WidenDropDown(control(id));
    for (std::size_t row = 0; row < kFormatCount; ++row)
        for (int base : {idRowConvert, idRowApp, idRowProf})
            WidenDropDown(control(base + static_cast<int>(row)));
    showPage(0);
    SHAutoComplete(control(idSaveToFolder), SHACF_FILESYSTEM);
    SHAutoComplete(control(idScriptFile), SHACF_FILESYSTEM);
    showShortcutState();
}

void SettingsDialog::buildPages() {
    tips_ =
        CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, GetModuleHandleW(nullptr), nullptr);
    const HFONT font = reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0));
    for (std::size_t p = 0; p < pages_.size(); ++p)
        pages_[p] = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_SETTINGS_PAGE), hwnd_,
                                       PageProc, 0);
    auto make = [&](int page, const wchar_t* cls, const char* caption, DWORD style, int id, int x, int y,
                    int w, int h, const char* tip) {
        RECT r{x, y, x + w, y + h};
        MapDialogRect(pages_[static_cast<std::size_t>(page)], &r);
        const HWND control = CreateWindowExW(
            std::wstring_view(cls) == WC_EDITW ? WS_EX_CLIENTEDGE : 0, cls,
            Widen(caption != nullptr ? caption : "").c_str(), WS_CHILD | WS_VISIBLE | style, r.left, r.top,
            r.right - r.left, r.bottom - r.top, pages_[static_cast<std::size_t>(page)],
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        if (tip != nullptr) {
            std::wstring text = Widen(tip);
            TTTOOLINFOW info{};
            info.cbSize = sizeof info;
            info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
            info.hwnd = pages_[static_cast<std::size_t>(page)];
            info.uId = reinterpret_cast<UINT_PTR>(control);
            info.lpszText = text.data();
            SendMessageW(tips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
        }
        return control;
    };
    // Controls go in the order of the table: that is the tab order.
    bool firstRadio = true;
    for (const auto& item : kItems) {
        switch (item.kind) {
        case Kind::Label:
            make(item.page, WC_STATICW, item.caption, SS_LEFT | SS_NOPREFIX * (item.id == idStatic ? 0 : 1),
                 item.id, item.x, item.y, item.w, item.h, item.tip);
            break;
        case Kind::Edit:
            make(item.page, WC_EDITW, "", WS_TABSTOP | ES_AUTOHSCROLL, item.id, item.x, item.y, item.w,
                 item.h, item.tip);
            break;
        case Kind::Combo:
            make(item.page, WC_COMBOBOXW, "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, item.id, item.x,
                 item.y, item.w, item.h, item.tip);
            break;
        case Kind::Button:
            make(item.page, WC_BUTTONW, item.caption, WS_TABSTOP | BS_PUSHBUTTON, item.id, item.x, item.y,
                 item.w, item.h, item.tip);
            break;
        case Kind::Group:
            make(item.page, WC_BUTTONW, item.caption, BS_GROUPBOX, item.id, item.x, item.y, item.w, item.h,
                 item.tip);
            firstRadio = true;
            break;
        case Kind::Radio:
            make(item.page, WC_BUTTONW, item.caption,
                 BS_AUTORADIOBUTTON | (firstRadio ? WS_GROUP | WS_TABSTOP : 0), item.id, item.x, item.y,
                 item.w, item.h, item.tip);
            firstRadio = false;
            break;
        case Kind::FormatGrid:
            for (std::size_t row = 0; row < kFormatCount; ++row) {
                const int y = item.y + item.h * static_cast<int>(row);
                const int r = static_cast<int>(row);
                make(item.page, WC_STATICW, std::string(Families()[row].rowLabel).c_str(), SS_LEFT, idStatic,
                     item.x, y + 2, 70, 8, nullptr);
                make(item.page, WC_COMBOBOXW, "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
                     idRowConvert + r, item.x + 73, y, 120, 150, nullptr);
                make(item.page, WC_COMBOBOXW, "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, idRowApp + r,
                     item.x + 198, y, 115, 150, nullptr);
                make(item.page, WC_COMBOBOXW, "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, idRowProf + r,
                     item.x + 318, y, 76, 150, nullptr);
            }
            break;
        }
    }
    for (std::size_t i = 0; i < std::size(kChecks); ++i) {
        const auto& check = kChecks[i];
        make(check.page, WC_BUTTONW, check.caption, WS_TABSTOP | BS_AUTOCHECKBOX,
             idCheckBase + static_cast<int>(i), check.x, check.y, check.w, 10, check.tip);
    }
    make(4, WC_BUTTONW, "Don't change", WS_TABSTOP | BS_AUTOCHECKBOX, idIsaveCheck, 214, 100, 120, 10,
         nullptr);
    // The save-to box follows its check box in the tab order.
    SetWindowPos(control(idSaveToFolder), control(idCheckBase + CheckIndex("bSaveToFolder")), 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowPos(control(idGetPath), control(idSaveToFolder), 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void SettingsDialog::layoutPages() {
    RECT area;
    GetWindowRect(tabs_, &area);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&area), 2);
    SendMessageW(tabs_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    for (HWND page : pages_)
        SetWindowPos(page, HWND_TOP, area.left, area.top, area.right - area.left, area.bottom - area.top,
                     SWP_NOACTIVATE);
}

void SettingsDialog::showPage(int page) {
    if (page == page_ && IsWindowVisible(pages_[static_cast<std::size_t>(page)]))
        return;
    for (std::size_t p = 0; p < pages_.size(); ++p)
        ShowWindow(pages_[p], static_cast<int>(p) == page ? SW_SHOW : SW_HIDE);
    page_ = page;
}

std::string SettingsDialog::stored(std::string_view key, std::string_view absent) const {
    return c_.store.GetSetting(kSettingsApp, kSettingsSection, key, absent);
}

void SettingsDialog::fillValues() {
    filling_ = true;
    for (std::size_t i = 0; i < std::size(kChecks); ++i) {
        const SettingKey* key = FindSettingKey(kChecks[i].key);
        if (key != nullptr)
            SetChecked(control(idCheckBase + static_cast<int>(i)),
                       TickedFromStored(kChecks[i].key, stored(key->name, key->absent)));
    }
    for (auto [id, key] : {std::pair{idTimeout, "Timeout"}, std::pair{idPurgeTimes, "PurgeTimes"},
                           std::pair{idDeleteDays, "DeleteDays"}, std::pair{idScriptFile, "ScriptFile"},
                           std::pair{idSaveToFolder, "sSaveToFolder"}}) {
        const SettingKey* k = FindSettingKey(key);
        SetText(control(id), stored(k->name, k->absent));
    }
    for (auto [base, key, count] :
         {std::tuple{idIndexctl, "INDEXCTL", 5}, std::tuple{idProxy, "PROXYGRAPHICS", 3},
          std::tuple{idRaster, "RASTERPREVIEW", 3}}) {
        const auto n = BoxNumber(stored(key, "-1"));
        if (!n || *n + 1 < 0 || *n + 1 >= count)
            continue; // a value that cannot be shown leaves the design's choice
        for (int i = 0; i < count; ++i)
            SetChecked(control(base + i), i == static_cast<int>(*n) + 1);
    }
    const auto isave = BoxNumber(stored("ISAVEPERCENT", "-1"));
    SetChecked(control(idIsaveCheck), isave && *isave < 0);
    if (isave && *isave > 0)
        SetText(control(idIsaveText), stored("ISAVEPERCENT", "-1"));
    isavePercentRule();
    filling_ = false;

    fillProducts(control(idAcadVer), control(idAcadProf), stored("ProdName", ""), stored("Profile", ""),
                 false);
    for (std::size_t row = 0; row < kFormatCount; ++row) {
        const ReleaseFamily family = Families()[row].family;
        fillProducts(control(idRowApp + static_cast<int>(row)), control(idRowProf + static_cast<int>(row)),
                     stored(FormatKey("HCA", family), ""), stored(FormatKey("HCP", family), ""), true);
        std::vector<std::string> choices;
        for (auto choice : ConvertToChoices(family))
            choices.emplace_back(choice);
        const HWND convert = control(idRowConvert + static_cast<int>(row));
        FillCombo(convert, choices);
        SelectExact(convert, stored(FormatKey("R", family), std::string(kDontConvertWord)));
    }
}

void SettingsDialog::fillProducts(HWND appList, HWND profileList, const std::string& storedProduct,
                                  const std::string& storedProfile, bool withEmpty) {
    std::vector<std::string> names = AcadAllProductNames(c_.registry);
    if (withEmpty)
        names.emplace_back();
    FillCombo(appList, names);
    if (!SelectExact(appList, storedProduct) && !withEmpty)
        SelectExact(appList, AcadCurrentProductName(c_.registry));
    if (withEmpty) {
        // A stored profile of the override, or an empty one.
        fillProfiles(appList, profileList, storedProfile);
        if (!SelectExact(profileList, storedProfile))
            SendMessageW(profileList, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
        return;
    }
    fillProfiles(appList, profileList,
                 storedProfile.empty() ? AcadCurrentProfile(c_.registry) : storedProfile);
}

void SettingsDialog::fillProfiles(HWND appList, HWND profileList, const std::string& wanted) {
    const std::string product = ComboText(appList);
    if (product.empty()) {
        FillCombo(profileList, {});
        return;
    }
    FillCombo(profileList,
              AcadProfiles(c_.registry, AcadProductType(c_.registry, product),
                           AcadReleaseKey(c_.registry, product), AcadProductKey(c_.registry, product)));
    if (!SelectExact(profileList, wanted)) {
        const ProductEntry entry = ProductCatalog::Read(c_.registry).find(product);
        SelectExact(profileList,
                    AcadProfileOf(c_.registry, entry.productType, entry.releaseKey, entry.productKey));
    }
}

// A pick of an application makes it AutoCAD's current product at once.
void SettingsDialog::pickApplication(HWND appList, HWND profileList, bool perFormat) {
    if (loading_)
        return;
    const std::string product = ComboText(appList);
    if (perFormat && product.empty()) {
        FillCombo(profileList, {});
        return;
    }
    MakeProductCurrent(c_.registry, product);
    fillProfiles(appList, profileList, stored("Profile", AcadCurrentProfile(c_.registry)));
}

void SettingsDialog::isavePercentRule() {
    const HWND text = control(idIsaveText);
    const bool dontChange = IsChecked(control(idIsaveCheck));
    EnableWindow(text, !dontChange);
    SendMessageW(text, EM_SETREADONLY, dontChange, 0);
    if (dontChange)
        SetText(text, "");
    else
        SetText(text, std::to_string(c_.settings.ISAVEPERCENT == -1 ? 0 : c_.settings.ISAVEPERCENT));
}

void SettingsDialog::onCommand(int id, int code, HWND) {
    if (id == IDOK) {
        onOk();
        return;
    }
    if (id == IDCANCEL) {
        close(false);
        return;
    }
    if (id == IDC_SETTINGS_RESTORE) {
        onRestore();
        return;
    }
    if (code == EN_KILLFOCUS && BoxOf(id)) {
        validateLater(id);
        return;
    }
    if (code == CBN_SELCHANGE) {
        if (id == idAcadVer)
            pickApplication(control(idAcadVer), control(idAcadProf), false);
        else if (id >= idRowApp && id < idRowApp + static_cast<int>(kFormatCount))
            pickApplication(control(id), control(id - idRowApp + idRowProf), true);
        else if (id == idAcadProf && !loading_)
            SetAcadProductProfile(c_.registry, ComboText(control(idAcadVer)), ComboText(control(id)));
        else if (id >= idRowProf && id < idRowProf + static_cast<int>(kFormatCount) && !loading_)
            SetAcadProductProfile(c_.registry, ComboText(control(id - idRowProf + idRowApp)),
                                  ComboText(control(id)));
        return;
    }
    if (code != BN_CLICKED)
        return;
    switch (id) {
    case idScriptBrowse:
        browseScript();
        return;
    case idGetPath:
        browseFolder();
        return;
    case idIsaveCheck:
        if (!filling_)
            isavePercentRule();
        return;
    case idCreateShortcut:
        CreateExplorerEntry(c_.registry, ProgramPathForExplorer(c_.registry, c_.programPath));
        showShortcutState();
        return;
    case idDeleteShortcut:
        DeleteExplorerEntry(c_.registry);
        showShortcutState();
        return;
    default:
        if (id >= idCheckBase && id < idCheckBase + static_cast<int>(std::size(kChecks)))
            warn(id);
        return;
    }
}

INT_PTR SettingsDialog::onNotify(NMHDR& header) {
    if (header.hwndFrom == tabs_ && header.code == TCN_SELCHANGE) {
        showPage(TabCtrl_GetCurSel(tabs_));
        return 0;
    }
    if (header.code == TTN_GETDISPINFOW && header.hwndFrom == TabCtrl_GetToolTips(tabs_)) {
        auto& info = reinterpret_cast<NMTTDISPINFOW&>(header);
        static const std::wstring tip = L"AutoCAD System Variables";
        info.lpszText = header.idFrom == 4 ? const_cast<wchar_t*>(tip.c_str()) : const_cast<wchar_t*>(L"");
        return 0;
    }
    return 0;
}

void SettingsDialog::warn(int id) {
    if (filling_ || !IsChecked(control(id)))
        return;
    const std::string key = kChecks[static_cast<std::size_t>(id - idCheckBase)].key;
    const std::string careful =
        "Be careful when using this settings because some applications using the drawing might malfunction.";
    std::string message;
    if (key == "ACAD_VBA" || key == "AppId" || key == "PurgeCleanRegApp")
        message = careful + "\r\nRead the documentation for more information.";
    else if (key == "PurgeAllNOD")
        message =
            careful +
            "\r\nFor example a drawings relation to a Sheet Set will be lost.\r\nIf the drawing contains "
            "Images they will also be destroyed!!!\r\nRead the documentation for more information.";
    if (!message.empty())
        c_.dialogs.inform(hwnd_, message, std::string(kAppTitle), MB_ICONEXCLAMATION);
}

// The check runs once the focus has settled: leaving a box for Cancel is no
// reason to complain about it.
void SettingsDialog::validateLater(int id) {
    if (validating_ || closed_)
        return;
    validating_ = true;
    PostMessageW(hwnd_, kValidateMessage, static_cast<WPARAM>(id), 0);
}

bool SettingsDialog::validate(int id, bool showMessage) {
    const auto box = BoxOf(id);
    const HWND edit = control(id);
    if (!box || edit == nullptr || closed_ || GetFocus() == GetDlgItem(hwnd_, IDCANCEL))
        return true;
    if (!IsWindowEnabled(edit))
        return true;
    const BoxCheck check =
        CheckBox(*box, GetText(edit), *box == FormBox::SaveToFolder ? FolderExistsOnDisk : FileExistsOnDisk);
    if (check.text != GetText(edit))
        SetText(edit, check.text);
    if (check.ok)
        return true;
    if (showMessage) {
        c_.dialogs.inform(hwnd_, check.message, check.errorTitle ? "Error" : std::string(kAppTitle), 0);
        // The focus stays in the box, on its page.
        for (std::size_t p = 0; p < pages_.size(); ++p)
            if (GetParent(edit) == pages_[p] && static_cast<int>(p) != page_ && p < std::size(kTabs)) {
                TabCtrl_SetCurSel(tabs_, static_cast<int>(p));
                showPage(static_cast<int>(p));
            }
        SendMessageW(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
    }
    return false;
}

void SettingsDialog::onOk() {
    // Every box is checked first: OK never copies half of the dialog.
    for (int id : {idTimeout, idScriptFile, idPurgeTimes, idSaveToFolder, idDeleteDays, idIsaveText})
        if (!validate(id, true))
            return;
    Settings s = c_.settings;
    auto assign = [&](std::string_view key, const std::string& text) {
        if (const SettingKey* k = FindSettingKey(key))
            AssignStoredText(*k, s, text);
    };
    for (std::size_t i = 0; i < std::size(kChecks); ++i) {
        const bool on = IsChecked(control(idCheckBase + static_cast<int>(i)));
        assign(kChecks[i].key,
               EqualsNoCase(kChecks[i].key, "showVersion") ? (on ? "1" : "0") : (on ? "-1" : "0"));
    }
    assign("Timeout", GetText(control(idTimeout)));
    assign("PurgeTimes", GetText(control(idPurgeTimes)));
    assign("DeleteDays", GetText(control(idDeleteDays)));
    s.ScriptFile = GetText(control(idScriptFile));
    s.sSaveToFolder = GetText(control(idSaveToFolder));
    const std::string product = ComboText(control(idAcadVer));
    s.ExePath = AcadExePath(c_.registry, product);
    if (product.empty())
        c_.dialogs.inform(hwnd_, "AutoCAD application has not been specified.", std::string(kAppTitle),
                          MB_ICONERROR);
    s.ProdName = product;
    s.Profile = ComboText(control(idAcadProf));
    for (auto [base, field, count] :
         {std::tuple{idIndexctl, &s.INDEXCTL, 5}, std::tuple{idProxy, &s.PROXYGRAPHICS, 3},
          std::tuple{idRaster, &s.RASTERPREVIEW, 3}})
        for (int i = 0; i < count; ++i)
            if (IsChecked(control(base + i)))
                *field = static_cast<std::int16_t>(i - 1);
    const std::string isave = GetText(control(idIsaveText));
    s.ISAVEPERCENT = isave.empty() ? std::int16_t{-1} : static_cast<std::int16_t>(*BoxNumber(isave));
    for (std::size_t row = 0; row < kFormatCount; ++row) {
        s.R[row] = ComboText(control(idRowConvert + static_cast<int>(row)));
        s.HCA[row] = ComboText(control(idRowApp + static_cast<int>(row)));
        s.HCP[row] = ComboText(control(idRowProf + static_cast<int>(row)));
    }
    SetAcadProductProfile(c_.registry, s.ProdName, s.Profile);
    c_.settings = s;
    SaveSettings(c_.store, c_.settings);
    close(true);
}

void SettingsDialog::onRestore() {
    if (!c_.dialogs.askYesNo(hwnd_, "Are you sure you want to restore all settings?", std::string(kAppTitle)))
        return;
    const WindowLayout layout = DefaultSettings(c_.store, c_.registry, c_.settings);
    if (c_.applyLayout)
        c_.applyLayout(layout);
    loading_ = true;
    fillValues();
    loading_ = false;
}

void SettingsDialog::close(bool accepted) {
    accepted_ = accepted;
    closed_ = true;
    if (owner_ == nullptr || IsWindowEnabled(owner_))
        ShowWindow(hwnd_, SW_HIDE); // modeless: hidden, destroyed with the object
}

void SettingsDialog::browseScript() {
    const auto file = c_.dialogs.openScriptFile(hwnd_, c_.settings.InitialDir3);
    if (!file)
        return;
    SetText(control(idScriptFile), *file);
    c_.settings.InitialDir3 = file->substr(0, file->find_last_of('\\'));
}

void SettingsDialog::browseFolder() {
    const std::string folder = c_.dialogs.browseFolder(hwnd_, "c:\\");
    if (!folder.empty())
        SetText(control(idSaveToFolder), folder);
}

void SettingsDialog::showShortcutState() {
    SetText(control(idShortcutState),
            ExplorerEntryExists(c_.registry)
                ? "The entry \"Plansweeper\" is on the context menu of drawing files."
                : "Drawing files have no \"Plansweeper\" entry on their context menu.");
}

} // namespace ps
