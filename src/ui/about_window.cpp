#include "ui/about_window.h"

#include "platform/handles.h"
#include "platform/text.h"
#include "platform/window_entry.h"
#include "ui/resource.h"
#include "ui/win_ui.h"

#include <commctrl.h>
#include <shellapi.h>

namespace ps {
namespace {

constexpr UINT_PTR kCloseTimer = 1;
constexpr UINT kSplashMs = 2000;

struct AboutState {
    AboutMode mode;
    UniqueFont titleFont;
    HWND dialog = nullptr;
    UniqueHook keyHook; // the key filter that closes the window

    INT_PTR handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR failed(HWND window, UINT, WPARAM, LPARAM, const char* what) noexcept {
        ReportEscaped(window, "About", what);
        return TRUE;
    }
};

// The window the key filter ends, whichever of its controls has the focus.
// The hook has no room for data of its own.
thread_local AboutState* t_about = nullptr;

// Keys that do not close the about window: modifiers alone, Tab between its
// links, and Enter or Space on a link (they open it).
bool KeepsAboutOpen(const MSG& msg) {
    switch (msg.wParam) {
    case VK_SHIFT:
    case VK_CONTROL:
    case VK_MENU:
    case VK_LWIN:
    case VK_RWIN:
    case VK_TAB:
        return true;
    case VK_RETURN:
    case VK_SPACE: {
        const int id = GetDlgCtrlID(GetFocus());
        return id == IDC_ABOUT_WWW || id == IDC_ABOUT_EMAIL;
    }
    default:
        return false;
    }
}

LRESULT CALLBACK AboutKeyFilter(int code, WPARAM wParam, LPARAM lParam) {
    const auto* msg = reinterpret_cast<const MSG*>(lParam);
    if (code >= 0 && t_about != nullptr && msg != nullptr &&
        (msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN) &&
        (t_about->mode == AboutMode::Splash || !KeepsAboutOpen(*msg))) {
        EndDialog(t_about->dialog, IDCANCEL);
        return TRUE;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void OpenAddress(HWND owner, const std::string& address) {
    ShellExecuteW(owner, L"open", Widen(address).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void OnInit(HWND dialog, AboutState& state) {
    SetText(dialog, "About Plansweeper");
    SetText(GetDlgItem(dialog, IDC_ABOUT_VERSION), "Version " + ProgramVersion());
    SetText(GetDlgItem(dialog, IDC_ABOUT_WWW), std::string("<a>") + kMakerWebAddress + "</a>");
    SetText(GetDlgItem(dialog, IDC_ABOUT_EMAIL), std::string("email: <a>") + kMakerEmail + "</a>");
    // The product's name, large, beside its icon: the window's picture.
    LOGFONTW lf{};
    if (const HFONT dialogFont = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)))
        GetObjectW(dialogFont, sizeof lf, &lf);
    lf.lfHeight = lf.lfHeight * 2;
    lf.lfWeight = FW_BOLD;
    state.titleFont.reset(CreateFontIndirectW(&lf));
    SetFont(GetDlgItem(dialog, IDC_ABOUT_TITLE), state.titleFont.get());
    const bool splash = state.mode == AboutMode::Splash;
    ShowWindow(GetDlgItem(dialog, IDCANCEL), splash ? SW_HIDE : SW_SHOW);
    if (splash)
        SetTimer(dialog, kCloseTimer, kSplashMs, nullptr);
    // Both uses close on a key press (the about window keeps the keys that
    // move between and open its links).
    state.dialog = dialog;
    state.keyHook.reset(SetWindowsHookExW(WH_MSGFILTER, AboutKeyFilter, nullptr, GetCurrentThreadId()));
    t_about = &state;
}

void OnLinkClick(HWND dialog, int control) {
    if (control == IDC_ABOUT_EMAIL)
        OpenAddress(dialog, std::string("mailto:") + kMakerEmail + "?subject=Plansweeper");
    else
        OpenAddress(dialog, kMakerWebAddress);
}

INT_PTR AboutState::handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        OnInit(window, *this);
        return TRUE;
    case WM_TIMER:
        if (wParam == kCloseTimer)
            EndDialog(window, IDOK);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDOK ||
            (LOWORD(wParam) == IDC_ABOUT_IMAGE && HIWORD(wParam) == STN_CLICKED) ||
            (LOWORD(wParam) == IDC_ABOUT_TITLE && HIWORD(wParam) == STN_CLICKED))
            EndDialog(window, IDCANCEL);
        return TRUE;
    case WM_NOTIFY: {
        const auto* hdr = reinterpret_cast<const NMHDR*>(lParam);
        if (hdr->code == NM_CLICK || hdr->code == NM_RETURN)
            OnLinkClick(window, static_cast<int>(hdr->idFrom));
        return TRUE;
    }
    case WM_LBUTTONDOWN:
        if (mode == AboutMode::Splash)
            EndDialog(window, IDCANCEL);
        return TRUE;
    case WM_DESTROY:
        KillTimer(window, kCloseTimer);
        if (t_about == this) {
            keyHook.reset();
            t_about = nullptr;
        }
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

void ShowAboutWindow(HWND owner, AboutMode mode) {
    AboutState state{mode, {}, nullptr, {}};
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_ABOUT), owner, DialogEntry<AboutState>,
                    reinterpret_cast<LPARAM>(&state));
}

} // namespace ps
