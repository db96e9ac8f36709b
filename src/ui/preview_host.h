// The preview (acBMPreview1): the Pictlet control hosted by its programmatic
// identifier and driven only through its dispatch interface. The window
// starts with a plain stand-in of the control's look; the control itself is
// made at the first drawing shown, so that loading it does not hold up the
// program's start. When the control is not registered, the copy beside the
// program is registered for the current user; when that fails too the
// preview stays an empty frame.
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

    // Creates the preview's window: the stand-in until the first show.
    HWND create(HWND parent, int id);
    HWND window() const { return window_; }
    bool hasControl() const { return static_cast<bool>(control_); }
    // StretchBMP, EdgeStyle, DrawingFile (empty for none), PaintPreview,
    // Refresh; the control's errors are ignored.
    void show(const std::string& drawingPath);

private:
    // The control in the stand-in's place (or the empty frame); once.
    void makeControl();
    bool createControl(HWND parent, int id, const RECT& place);
    HWND window_ = nullptr;
    bool made_ = false;
    ComPtr<IDispatch> control_;
};

} // namespace ps
