#include "ui/settings_dialog.h"

#include "acad/products.h"
#include "acad/releases.h"
#include "core/strings.h"
#include "core/file_facts.h"
#include "platform/win_file_system.h"
#include "platform/text.h"
#include "platform/window_entry.h"
#include "run/row_plan.h"
#include "settings/explorer_entry.h"
#include "settings/settings_form.h"
#include "settings/settings_keys.h"
#include "ui/resource.h"
#include "ui/settings_dialog_table.h"
#include "ui/win_ui.h"

#include <commctrl.h>
#include <shlwapi.h>
#include <uxtheme.h>

#include <algorithm>
#include <thread>

namespace ps {

using namespace settings_table;

namespace {

constexpr char kEnforcedTip[] = "Set by your administrator for every user of this computer";

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
    case idParallel:
        return FormBox::Parallel;
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
    hwnd_ = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_SETTINGS), owner,
                               DialogEntry<SettingsDialog>, reinterpret_cast<LPARAM>(this));
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
            const int n = static_cast<int>(Tabs().size());
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

INT_PTR SettingsDialog::failed(HWND hwnd, UINT, WPARAM, LPARAM, const char* what) noexcept {
    ReportEscaped(hwnd, "Dialog", what);
    return TRUE;
}

INT_PTR SettingsDialog::handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        hwnd_ = hwnd;
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
    for (int i = 0; i < static_cast<int>(Tabs().size()); ++i) {
        std::wstring caption = Widen(Tabs()[i]);
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
    markEnforced();
    showPage(0);
    SHAutoComplete(control(idSaveToFolder), SHACF_FILESYSTEM);
    SHAutoComplete(control(idScriptFile), SHACF_FILESYSTEM);
    showShortcutState();
}

std::string SettingsDialog::stored(std::string_view key, std::string_view absent) const {
    return c_.store.GetSetting(kSettingsApp, kSettingsSection, key, absent);
}

void SettingsDialog::fillValues() {
    filling_ = true;
    for (std::size_t i = 0; i < Checks().size(); ++i) {
        const SettingKey* key = FindSettingKey(Checks()[i].key);
        if (key != nullptr)
            SetChecked(control(idCheckBase + static_cast<int>(i)),
                       TickedFromStored(Checks()[i].key, stored(key->name, key->absent)));
    }
    for (auto [id, key] :
         {std::pair{idTimeout, "Timeout"}, std::pair{idParallel, "Parallel"},
          std::pair{idPurgeTimes, "PurgeTimes"}, std::pair{idDeleteDays, "DeleteDays"},
          std::pair{idScriptFile, "ScriptFile"}, std::pair{idSaveToFolder, "sSaveToFolder"}}) {
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

// The controls of the settings the administrator enforces are shown, not
// changed: disabled, with a tip that says who set them.
void SettingsDialog::markEnforced() {
    const auto mark = [this](std::string_view key, std::initializer_list<int> ids) {
        if (!IsEnforcedByPolicy(c_.registry, key))
            return;
        for (int id : ids) {
            const HWND box = control(id);
            EnableWindow(box, FALSE);
            // A disabled control gets no mouse: the tip belongs to its page.
            const HWND page = GetParent(box);
            RECT r;
            GetWindowRect(box, &r);
            MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&r), 2);
            std::wstring text = Widen(kEnforcedTip);
            TTTOOLINFOW info{};
            info.cbSize = sizeof info;
            info.uFlags = TTF_SUBCLASS;
            info.hwnd = page;
            info.uId = static_cast<UINT_PTR>(id);
            info.rect = r;
            info.lpszText = text.data();
            SendMessageW(tips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
        }
    };
    for (std::size_t i = 0; i < Checks().size(); ++i)
        mark(Checks()[i].key, {idCheckBase + static_cast<int>(i)});
    mark("Timeout", {idTimeout});
    mark("Parallel", {idParallel});
    mark("PurgeTimes", {idPurgeTimes});
    mark("DeleteDays", {idDeleteDays});
    mark("ScriptFile", {idScriptFile, idScriptBrowse});
    mark("sSaveToFolder", {idSaveToFolder, idGetPath});
    mark("ProdName", {idAcadVer});
    mark("Profile", {idAcadProf});
    mark("INDEXCTL", {idIndexctl, idIndexctl + 1, idIndexctl + 2, idIndexctl + 3, idIndexctl + 4});
    mark("PROXYGRAPHICS", {idProxy, idProxy + 1, idProxy + 2});
    mark("RASTERPREVIEW", {idRaster, idRaster + 1, idRaster + 2});
    mark("ISAVEPERCENT", {idIsaveText, idIsaveCheck});
    for (std::size_t row = 0; row < kFormatCount; ++row) {
        const ReleaseFamily family = Families()[row].family;
        const int r = static_cast<int>(row);
        mark(FormatKey("R", family), {idRowConvert + r});
        mark(FormatKey("HCA", family), {idRowApp + r});
        mark(FormatKey("HCP", family), {idRowProf + r});
    }
}

void SettingsDialog::isavePercentRule() {
    const HWND text = control(idIsaveText);
    const bool dontChange = IsChecked(control(idIsaveCheck));
    EnableWindow(text, !dontChange && !IsEnforcedByPolicy(c_.registry, "ISAVEPERCENT"));
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
        if (id >= idCheckBase && id < idCheckBase + static_cast<int>(Checks().size()))
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
    const std::string key = Checks()[static_cast<std::size_t>(id - idCheckBase)].key;
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
        CheckBox(*box, GetText(edit), *box == FormBox::SaveToFolder ? FolderExistsOnDisk : FileExistsOnDisk,
                 std::thread::hardware_concurrency());
    if (check.text != GetText(edit))
        SetText(edit, check.text);
    if (check.ok)
        return true;
    if (showMessage) {
        // The box's page comes forward and the box takes the focus before the
        // message: the user reads it next to the value it is about.
        for (std::size_t p = 0; p < pages_.size(); ++p)
            if (IsChild(pages_[p], edit) && static_cast<int>(p) != page_ && p < Tabs().size()) {
                TabCtrl_SetCurSel(tabs_, static_cast<int>(p));
                showPage(static_cast<int>(p));
            }
        SendMessageW(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
        c_.dialogs.inform(hwnd_, check.message, check.errorTitle ? "Error" : std::string(kAppTitle), 0);
        SendMessageW(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
    }
    return false;
}

void SettingsDialog::onOk() {
    // Every box is checked first: OK never copies half of the dialog.
    for (int id :
         {idTimeout, idParallel, idScriptFile, idPurgeTimes, idSaveToFolder, idDeleteDays, idIsaveText})
        if (!validate(id, true))
            return;
    Settings s = c_.settings;
    auto assign = [&](std::string_view key, const std::string& text) {
        if (const SettingKey* k = FindSettingKey(key))
            AssignStoredText(*k, s, text);
    };
    for (std::size_t i = 0; i < Checks().size(); ++i) {
        const bool on = IsChecked(control(idCheckBase + static_cast<int>(i)));
        assign(Checks()[i].key,
               EqualsNoCase(Checks()[i].key, "showVersion") ? (on ? "1" : "0") : (on ? "-1" : "0"));
    }
    assign("Timeout", GetText(control(idTimeout)));
    assign("Parallel", GetText(control(idParallel)));
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
    // Choices that would skip whole rows of drawings are said now, not
    // found out at the end of a night's run.
    const auto problems = ConversionProblems(ProductCatalog::Read(c_.registry), s, s.ProdName);
    if (!problems.empty() &&
        c_.dialogs.askYesNo(hwnd_, ConversionProblemsText(problems) + "\r\n\r\nGo back and change them?",
                            std::string(kAppTitle)))
        return;
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
