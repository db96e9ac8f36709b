// The mark of a loaded main window, and the search for it: a later start
// hands its command tail to the marked window; tools wait for it to appear.
#pragma once

#include <string_view>

#include <windows.h>

namespace ps {

// The window property that marks the running instance's main window.
inline constexpr std::string_view kInstanceProperty = "QUILLMERE Plansweeper_APPLICATION";
// The mutex the running instance holds (the setup looks for it by this name).
inline constexpr std::wstring_view kInstanceMutex = L"QUILLMERE Plansweeper_APPLICATION_MUTEX";

// The first top-level window carrying the mark: of that process (0: of any),
// and only a visible one when asked; nullptr when there is none.
HWND FindMarkedWindow(DWORD processId = 0, bool visibleOnly = false);

} // namespace ps
