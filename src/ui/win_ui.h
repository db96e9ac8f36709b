// Small helpers every window of the program uses: UTF-8 text on windows,
// the DPI of a window, the system's message font, the error message box.
#pragma once

#include "platform/handles.h"

#include <initializer_list>
#include <string>
#include <string_view>

#include <windows.h>

namespace ps {

inline constexpr std::string_view kAppTitle = "QUILLMERE Plansweeper";

void SetText(HWND window, std::string_view utf8);
std::string GetText(HWND window);

// The window's DPI (the monitor's under per-monitor awareness).
int WindowDpi(HWND window);
// The system's message font at a DPI.
UniqueFont MessageFont(int dpi);
void SetFont(HWND window, HFONT font);

// A message box with the program's title; returns the button pressed.
int MessageBoxUtf8(HWND owner, std::string_view text, std::string_view title, UINT flags);
// "Error in <procedure>: <description>", OK, the program's title.
void ShowError(HWND owner, std::string_view procedure, std::string_view description);
// What every window of the program does with an error its handler let escape
// (platform/window_entry.h): the error message above, named after the window.
// The message then counts as handled: the answer is 0.
LRESULT ReportEscaped(HWND window, const char* where, const char* what) noexcept;

// A function of a system library loaded when it is first needed, from the
// system folder only, so that the program's start does not pay for libraries
// only a dialog uses (the file dialogs' library brings the printing system
// with it). The same type as the function's declaration; null when missing.
FARPROC LateSystemProc(const wchar_t* library, const char* name);
template <typename Function> Function* LateSystemFunction(const wchar_t* library, const char* name) {
    return reinterpret_cast<Function*>(reinterpret_cast<void*>(LateSystemProc(library, name)));
}

// A menu item: a command and its caption; a null caption is a separator.
struct MenuItem {
    unsigned command;
    const char* caption;
};
HMENU MakePopupMenu(std::initializer_list<MenuItem> items);

// The program's version from its version resource: major.minor.patch.
std::string ProgramVersion();

} // namespace ps
