#pragma once

#include <functional>

#include <windows.h>

namespace ps {

// Processes the messages pending in this thread's queue once and returns; the
// long loops of the run call it once per step so the windows stay live.
// Returns false when WM_QUIT was among them (it is posted again for the
// outer loop). preTranslate, when given, may take a message first (keyboard
// accelerators, dialog keys) and says whether it did.
bool PumpPendingMessages(const std::function<bool(MSG&)>& preTranslate = {});

} // namespace ps
