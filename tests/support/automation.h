// A small automation client: reads another process's common controls the
// way accessibility and automation tools do, with buffers allocated in that
// process (toolbar buttons, list-view columns and cells).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace ps::test {

// The top-level window of a process that carries the property with value 1.
HWND FindMarkedWindow(DWORD pid, const std::wstring& property);

struct RemoteButton {
    int command = 0;
    BYTE state = 0;
    BYTE style = 0;
    std::string text;
};
std::vector<RemoteButton> ToolbarButtons(HWND toolbar);

std::vector<std::string> ListColumns(HWND list);
int ListRowCount(HWND list);
std::string ListCell(HWND list, int row, int column);

// A child window by its class name (the first one).
HWND ChildOfClass(HWND parent, const wchar_t* className);
// A child window's rectangle in its parent's client coordinates.
RECT ChildRect(HWND child);

} // namespace ps::test
