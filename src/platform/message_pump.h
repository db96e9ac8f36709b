#pragma once

namespace ps {

// Processes the messages pending in this thread's queue once and returns; the
// long loops of the run call it once per step so the windows stay live.
// Returns false when WM_QUIT was among them (it is posted again for the
// outer loop).
bool PumpPendingMessages();

} // namespace ps
