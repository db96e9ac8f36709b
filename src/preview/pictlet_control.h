// The control object and the module it lives in.
#pragma once

#include <windows.h>

namespace pictlet {

HINSTANCE ModuleInstance();
void RegisterWindowClass();
void UnregisterWindowClass();
// A new control, asked for one of its interfaces.
HRESULT CreateControl(REFIID iid, void** out);
// Controls alive in this process (for DllCanUnloadNow).
long LiveObjects();

} // namespace pictlet
