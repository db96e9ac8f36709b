#include "ui/win_ui.h"

#include "platform/text.h"
#include "version.h"

#include <vector>

namespace ps {

void SetText(HWND window, std::string_view utf8) {
    SetWindowTextW(window, Widen(utf8).c_str());
}

std::string GetText(HWND window) {
    const int n = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
    const int got = GetWindowTextW(window, text.data(), n + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return Narrow(text);
}

int WindowDpi(HWND window) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow != nullptr && window != nullptr) {
        if (const UINT dpi = getDpiForWindow(window); dpi != 0)
            return static_cast<int>(dpi);
    }
    const WindowDc screen(nullptr);
    const int dpi = GetDeviceCaps(screen.get(), LOGPIXELSY);
    return dpi > 0 ? dpi : 96;
}

UniqueFont MessageFont(int dpi) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        metrics.lfMessageFont = LOGFONTW{};
        metrics.lfMessageFont.lfHeight = -12;
        lstrcpynW(metrics.lfMessageFont.lfFaceName, L"Tahoma", LF_FACESIZE);
    }
    // The metrics are those of the primary monitor's DPI; scale to this one.
    const int systemDpi = WindowDpi(nullptr);
    metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, dpi, systemDpi);
    return UniqueFont(CreateFontIndirectW(&metrics.lfMessageFont));
}

void SetFont(HWND window, HFONT font) {
    SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

int MessageBoxUtf8(HWND owner, std::string_view text, std::string_view title, UINT flags) {
    return MessageBoxW(owner, Widen(text).c_str(), Widen(title).c_str(), flags);
}

void ShowError(HWND owner, std::string_view procedure, std::string_view description) {
    MessageBoxUtf8(owner, "Error in " + std::string(procedure) + ": " + std::string(description), kAppTitle,
                   MB_OK);
}

LRESULT ReportEscaped(HWND window, const char* where, const char* what) noexcept {
    try {
        ShowError(window, where, what);
    } catch (...) {
        // Out of memory for the message itself: nothing more to say.
    }
    return 0;
}

FARPROC LateSystemProc(const wchar_t* library, const char* name) {
    // Loaded once and kept: the function stays valid for the process's life.
    HMODULE module = GetModuleHandleW(library);
    if (module == nullptr)
        module = LoadLibraryExW(library, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return module != nullptr ? GetProcAddress(module, name) : nullptr;
}

HMENU MakePopupMenu(std::initializer_list<MenuItem> items) {
    HMENU menu = CreatePopupMenu();
    for (const auto& item : items) {
        if (item.caption == nullptr)
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        else
            AppendMenuW(menu, MF_STRING, item.command, Widen(item.caption).c_str());
    }
    return menu;
}

std::string ProgramVersion() {
    wchar_t exe[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, exe, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return PS_VERSION_TEXT;
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(exe, &ignored);
    if (size == 0)
        return PS_VERSION_TEXT; // a host program of ours without a version resource
    std::vector<unsigned char> data(size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!GetFileVersionInfoW(exe, 0, size, data.data()) ||
        !VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length) || info == nullptr)
        return {};
    return std::to_string(HIWORD(info->dwFileVersionMS)) + "." +
           std::to_string(LOWORD(info->dwFileVersionMS)) + "." +
           std::to_string(HIWORD(info->dwFileVersionLS));
}

} // namespace ps
