// Work that may take long (a disk busy with other writes, a network share
// that does not answer) done on a worker thread while the calling window
// thread keeps answering: messages sent to its windows are handled and they
// repaint; posted input waits until the work is done, so no command can
// start in the middle of it.
#pragma once

#include <functional>
#include <optional>

namespace ps {

inline constexpr unsigned kWaitForever = 0xFFFFFFFFu;

// The job's result; nullopt when limitMs passed first (the worker then
// finishes on its own and its result is dropped).
std::optional<bool> RunOffThread(std::function<bool()> job, unsigned limitMs = kWaitForever);

} // namespace ps
