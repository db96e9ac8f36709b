// The preview (acBMPreview1): the Pictlet control hosted by its programmatic
// identifier and driven only through its dispatch interface. When the
// control is not registered, the copy beside the program is registered for
// the current user; when that fails too the preview stays an empty frame.
#pragma once

#include "platform/handles.h"

#include <string>

#include <windows.h>
#include <oaidl.h>

namespace ps {

class PreviewHost {
public:
    PreviewHost() = default;
    PreviewHost(const PreviewHost&) = delete;
    PreviewHost& operator=(const PreviewHost&) = delete;

    // Creates the host window; the window exists either way.
    HWND create(HWND parent, int id);
    HWND window() const { return window_; }
    bool hasControl() const { return static_cast<bool>(control_); }
    // StretchBMP, EdgeStyle, DrawingFile (empty for none), PaintPreview,
    // Refresh; the control's errors are ignored.
    void show(const std::string& drawingPath);

private:
    bool createControl(HWND parent, int id);
    HWND window_ = nullptr;
    ComPtr<IDispatch> control_;
};

} // namespace ps
