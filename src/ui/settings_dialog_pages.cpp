// The settings dialog's pages: made from the tables, laid out under the
// tabs, shown one at a time.
#include "ui/settings_dialog.h"

#include "acad/releases.h"
#include "platform/text.h"
#include "ui/resource.h"
#include "ui/settings_dialog_table.h"

#include <commctrl.h>
#include <uxtheme.h>

#include <string>

namespace ps {

using namespace settings_table;

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

namespace {

// Makes the pages' controls in dialog units, in the dialog's font, each with
// its tip where it has one.
class PageMaker {
public:
    PageMaker(const std::array<HWND, 7>& pages, HWND tips, HFONT font)
        : pages_(pages), tips_(tips), font_(font) {}

    HWND make(int page, const wchar_t* cls, const char* caption, DWORD style, int id, RECT box,
              const char* tip) const {
        const HWND parent = pages_[static_cast<std::size_t>(page)];
        MapDialogRect(parent, &box);
        const HWND control = CreateWindowExW(
            std::wstring_view(cls) == WC_EDITW ? WS_EX_CLIENTEDGE : 0, cls,
            Widen(caption != nullptr ? caption : "").c_str(), WS_CHILD | WS_VISIBLE | style, box.left,
            box.top, box.right - box.left, box.bottom - box.top, parent,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
        if (tip != nullptr)
            addTip(parent, control, tip);
        return control;
    }

    // One item of the table; a radio button after a group box starts the group.
    void make(const Item& item) {
        const RECT box{item.x, item.y, item.x + item.w, item.y + item.h};
        switch (item.kind) {
        case Kind::Label:
            make(item.page, WC_STATICW, item.caption, SS_LEFT | SS_NOPREFIX * (item.id == idStatic ? 0 : 1),
                 item.id, box, item.tip);
            break;
        case Kind::Edit:
            make(item.page, WC_EDITW, "", WS_TABSTOP | ES_AUTOHSCROLL, item.id, box, item.tip);
            break;
        case Kind::Combo:
            make(item.page, WC_COMBOBOXW, "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, item.id, box,
                 item.tip);
            break;
        case Kind::Button:
            make(item.page, WC_BUTTONW, item.caption, WS_TABSTOP | BS_PUSHBUTTON, item.id, box, item.tip);
            break;
        case Kind::Group:
            make(item.page, WC_BUTTONW, item.caption, BS_GROUPBOX, item.id, box, item.tip);
            firstRadio_ = true;
            break;
        case Kind::Radio:
            make(item.page, WC_BUTTONW, item.caption,
                 BS_AUTORADIOBUTTON | (firstRadio_ ? WS_GROUP | WS_TABSTOP : 0), item.id, box, item.tip);
            firstRadio_ = false;
            break;
        case Kind::FormatGrid:
            makeFormatGrid(item);
            break;
        }
    }

private:
    // The SaveAs page's rows: the family's label, then what it converts to
    // and, overriding the general choice, the application and its profile.
    void makeFormatGrid(const Item& item) const {
        constexpr DWORD kList = WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
        for (std::size_t row = 0; row < kFormatCount; ++row) {
            const int y = item.y + item.h * static_cast<int>(row);
            const int r = static_cast<int>(row);
            const int x = item.x;
            make(item.page, WC_STATICW, std::string(Families()[row].rowLabel).c_str(), SS_LEFT, idStatic,
                 {x, y + 2, x + 70, y + 10}, nullptr);
            make(item.page, WC_COMBOBOXW, "", kList, idRowConvert + r, {x + 73, y, x + 193, y + 150},
                 nullptr);
            make(item.page, WC_COMBOBOXW, "", kList, idRowApp + r, {x + 198, y, x + 313, y + 150}, nullptr);
            make(item.page, WC_COMBOBOXW, "", kList, idRowProf + r, {x + 318, y, x + 394, y + 150}, nullptr);
        }
    }

    void addTip(HWND parent, HWND control, const char* tip) const {
        std::wstring text = Widen(tip);
        TTTOOLINFOW info{};
        info.cbSize = sizeof info;
        info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        info.hwnd = parent;
        info.uId = reinterpret_cast<UINT_PTR>(control);
        info.lpszText = text.data();
        SendMessageW(tips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    }

    const std::array<HWND, 7>& pages_;
    HWND tips_;
    HFONT font_;
    bool firstRadio_ = true;
};

} // namespace

void SettingsDialog::buildPages() {
    tips_ =
        CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, GetModuleHandleW(nullptr), nullptr);
    for (std::size_t p = 0; p < pages_.size(); ++p)
        pages_[p] = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_SETTINGS_PAGE), hwnd_,
                                       PageProc, 0);
    PageMaker maker(pages_, tips_, reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0)));
    // Controls go in the order of the table: that is the tab order.
    for (const auto& item : Items())
        maker.make(item);
    for (std::size_t i = 0; i < Checks().size(); ++i) {
        const auto& check = Checks()[i];
        maker.make(check.page, WC_BUTTONW, check.caption, WS_TABSTOP | BS_AUTOCHECKBOX,
                   idCheckBase + static_cast<int>(i), {check.x, check.y, check.x + check.w, check.y + 10},
                   check.tip);
    }
    maker.make(4, WC_BUTTONW, "Don't change", WS_TABSTOP | BS_AUTOCHECKBOX, idIsaveCheck,
               {214, 100, 334, 110}, nullptr);
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

} // namespace ps
