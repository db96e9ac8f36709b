// The control object, called by the library's exports (pictlet_dll.cpp);
// it calls nothing of them.
#pragma once

#include <windows.h>

namespace pictlet {

// The library's instance, as its entry point hands it to RegisterWindowClass.
HINSTANCE ModuleInstance();
void RegisterWindowClass(HINSTANCE module);
void UnregisterWindowClass();
// A new control, asked for one of its interfaces.
HRESULT CreateControl(REFIID iid, void** out);
// Controls alive in this process (for DllCanUnloadNow).
long LiveObjects();

} // namespace pictlet
