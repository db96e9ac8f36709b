#include "ui/instance_marker.h"

#include "platform/text.h"

#include <string>

namespace ps {
namespace {

struct Search {
    DWORD processId;
    bool visibleOnly;
    std::wstring property;
    HWND found;
};

BOOL CALLBACK FindMarked(HWND window, LPARAM lParam) {
    auto& s = *reinterpret_cast<Search*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if ((s.processId == 0 || pid == s.processId) && (!s.visibleOnly || IsWindowVisible(window)) &&
        GetPropW(window, s.property.c_str()) == reinterpret_cast<HANDLE>(1)) {
        s.found = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

HWND FindMarkedWindow(DWORD processId, bool visibleOnly) {
    Search s{processId, visibleOnly, Widen(kInstanceProperty), nullptr};
    EnumWindows(FindMarked, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

} // namespace ps
