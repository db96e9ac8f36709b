#include "ui/desktop_dialogs.h"

#include "platform/handles.h"
#include "platform/text.h"
#include "platform/window_entry.h"
#include "ui/resource.h"
#include "ui/win_ui.h"

#include <commdlg.h>
#include <shlobj.h>

#include <vector>

namespace ps {
namespace {

constexpr DWORD kOpenBufferChars = 10240;

int CALLBACK BrowseStart(HWND window, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED && data != 0)
        SendMessageW(window, BFFM_SETSELECTIONW, TRUE, data);
    return 0;
}

struct InputBoxState {
    const std::string* prompt;
    const std::string* title;
    const std::string* defaultText;
    std::string answer;

    INT_PTR handle(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
        switch (message) {
        case WM_INITDIALOG:
            SetText(dialog, *title);
            SetText(GetDlgItem(dialog, IDC_INPUT_PROMPT), *prompt);
            SetText(GetDlgItem(dialog, IDC_INPUT_TEXT), *defaultText);
            SendDlgItemMessageW(dialog, IDC_INPUT_TEXT, EM_SETSEL, 0, -1);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK)
                answer = GetText(GetDlgItem(dialog, IDC_INPUT_TEXT));
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
                EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        default:
            return FALSE;
        }
    }
    INT_PTR failed(HWND dialog, UINT, WPARAM, LPARAM, const char* what) noexcept {
        ReportEscaped(dialog, "InputBox", what);
        return TRUE;
    }
};

struct DetailsState {
    const std::string* title;
    const std::string* text;

    INT_PTR handle(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
        switch (message) {
        case WM_INITDIALOG:
            SetText(dialog, *title);
            SetText(GetDlgItem(dialog, IDC_DETAILS_TEXT), *text);
            // The focus on Close, not on a text selected whole.
            SetFocus(GetDlgItem(dialog, IDCANCEL));
            return FALSE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDC_DETAILS_COPY) {
                const HWND edit = GetDlgItem(dialog, IDC_DETAILS_TEXT);
                SendMessageW(edit, EM_SETSEL, 0, -1);
                SendMessageW(edit, WM_COPY, 0, 0);
            }
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
                EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        default:
            return FALSE;
        }
    }
    INT_PTR failed(HWND dialog, UINT, WPARAM, LPARAM, const char* what) noexcept {
        ReportEscaped(dialog, "Details", what);
        return TRUE;
    }
};

// One file name from the common file dialog; nullopt when cancelled.
std::optional<std::string> AskFileName(HWND owner, const wchar_t* filter, const std::string& folder,
                                       const std::string& offered, const wchar_t* title,
                                       const wchar_t* defaultExtension, DWORD flags, bool saving) {
    wchar_t name[MAX_PATH * 4] = L"";
    const std::wstring wideOffered = Widen(offered);
    if (wideOffered.size() < std::size(name))
        wideOffered.copy(name, wideOffered.size());
    const std::wstring initialDir = Widen(folder);
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter;
    ofn.lpstrFile = name;
    ofn.nMaxFile = static_cast<DWORD>(std::size(name));
    ofn.lpstrInitialDir = initialDir.empty() ? nullptr : initialDir.c_str();
    ofn.lpstrTitle = title;
    ofn.lpstrDefExt = defaultExtension;
    ofn.Flags = flags;
    const auto dialog = LateSystemFunction<decltype(GetOpenFileNameW)>(
        L"comdlg32.dll", saving ? "GetSaveFileNameW" : "GetOpenFileNameW");
    if (dialog == nullptr || !dialog(&ofn))
        return std::nullopt;
    return Narrow(name);
}

} // namespace

std::string WinDesktopDialogs::inputBox(HWND owner, const std::string& prompt, const std::string& title,
                                        const std::string& defaultText) {
    InputBoxState state{&prompt, &title, &defaultText, {}};
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_INPUT), owner, DialogEntry<InputBoxState>,
                    reinterpret_cast<LPARAM>(&state));
    return state.answer;
}

void WinDesktopDialogs::showDetails(HWND owner, const std::string& title, const std::string& text) {
    DetailsState state{&title, &text};
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_DETAILS), owner,
                    DialogEntry<DetailsState>, reinterpret_cast<LPARAM>(&state));
}

std::optional<std::string> WinDesktopDialogs::openDrawings(HWND owner, const std::string& initialFolder) {
    std::vector<wchar_t> buffer(kOpenBufferChars, L'\0');
    const std::wstring folder = Widen(initialFolder);
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = L"AutoCAD drawings\0*.dwg;*.dxf\0All Files\0*.*\0";
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = kOpenBufferChars;
    ofn.lpstrInitialDir = folder.c_str();
    ofn.lpstrTitle = L"Select files";
    ofn.lpstrDefExt = L"dwg";
    ofn.Flags = OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_LONGNAMES | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST |
                OFN_HIDEREADONLY;
    const auto open = LateSystemFunction<decltype(GetOpenFileNameW)>(L"comdlg32.dll", "GetOpenFileNameW");
    if (open == nullptr || !open(&ofn))
        return std::nullopt;
    // The answer ends at the first pair of null characters.
    std::size_t end = 0;
    while (end + 1 < buffer.size() && !(buffer[end] == L'\0' && buffer[end + 1] == L'\0'))
        ++end;
    return Narrow(std::wstring_view(buffer.data(), end + 2));
}

std::optional<std::string> WinDesktopDialogs::listFileName(HWND owner, bool saving, const std::string& folder,
                                                           const std::string& name) {
    // An existing file is replaced without a question, as the list file always was.
    return AskFileName(owner, L"Plansweeper files\0*.log;*.txt\0", folder, name,
                       saving ? L"Export to file" : L"Import file", L"log",
                       OFN_HIDEREADONLY | OFN_EXPLORER | (saving ? 0 : OFN_FILEMUSTEXIST), saving);
}

std::optional<std::string> WinDesktopDialogs::reportFileName(HWND owner, const std::string& folder,
                                                             const std::string& name) {
    return AskFileName(
        owner, L"Web pages\0*.html;*.htm\0Tables for a spreadsheet (CSV)\0*.csv\0JSON\0*.json\0", folder,
        name, L"Export Report", L"html", OFN_HIDEREADONLY | OFN_EXPLORER | OFN_OVERWRITEPROMPT, true);
}

std::optional<std::string> WinDesktopDialogs::openScriptFile(HWND owner, const std::string& initialFolder) {
    return AskFileName(owner, L"Script or Lisp files\0*.lsp;*.scr;*.vlx;*.fas\0All Files\0*.*\0",
                       initialFolder, "", L"Select files", L"scr",
                       OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY, false);
}

std::string WinDesktopDialogs::browseFolder(HWND owner, const std::string& initialFolder) {
    const std::wstring start = Widen(initialFolder);
    BROWSEINFOW bi{};
    bi.hwndOwner = owner;
    bi.lpszTitle = L"Select a folder";
    bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    bi.lpfn = BrowseStart;
    bi.lParam = start.empty() ? 0 : reinterpret_cast<LPARAM>(start.c_str());
    const CoTaskMem<PIDLIST_ABSOLUTE> chosen(SHBrowseForFolderW(&bi));
    if (!chosen)
        return {};
    wchar_t path[MAX_PATH] = L"";
    return SHGetPathFromIDListW(chosen.get(), path) ? Narrow(path) : std::string();
}

bool WinDesktopDialogs::askYesNo(HWND owner, const std::string& message, const std::string& title) {
    return MessageBoxUtf8(owner, message, title, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

int WinDesktopDialogs::askYesNoCancel(HWND owner, const std::string& message, const std::string& title) {
    return MessageBoxUtf8(owner, message, title, MB_YESNOCANCEL | MB_ICONQUESTION);
}

void WinDesktopDialogs::inform(HWND owner, const std::string& message, const std::string& title, UINT icon) {
    MessageBoxUtf8(owner, message, title, MB_OK | icon);
}

} // namespace ps
