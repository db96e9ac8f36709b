// Starting one AutoCAD process and staying with it until it ends, a time-out
// runs out, or the user agrees to stop it, while the pop-up closer answers
// AutoCAD's dialogs. The process is always ended before the wait returns.
#pragma once

#include "core/system_ports.h"
#include "core/run_state.h"

#include <cstdint>
#include <functional>
#include <string_view>

namespace ps {

// Outcome codes of one AutoCAD process.
enum Outcome : std::int16_t {
    kOutcomeNotStarted = -1, // the command line could not be started
    kOutcomeEnded = 0,       // ended by itself
    kOutcomeTimeout = 1,     // the time-out ran out; the process was ended
    kOutcomeUserStop = 2,    // the user chose to end it (2 to 5 also from the pop-up closer)
};

inline constexpr std::string_view kTerminateQuestion =
    "Do you want to terminate AutoCAD now? If not it will process to the end";
inline constexpr std::string_view kPromptTitle = "Plansweeper";

struct ShellWaitPorts {
    ProcessRunner& process;
    MessagePump& pump;
    const Clock& clock;
    UserPrompt& prompt;
    const RunState& state;
    // One scan of the pop-up closer over the given processes; returns its code.
    std::function<std::int16_t(const std::vector<std::uint32_t>& processes)> closePopUps;
};

// How long the wait sleeps at most between two passes when nothing happens.
inline constexpr unsigned kWaitSliceMs = 200;
// How long an ended process is given to go.
inline constexpr unsigned kEndWaitMs = 5000;

std::int16_t ShellWait(ShellWaitPorts& ports, std::string_view commandLine, int windowStyle,
                       std::int32_t timeoutSeconds, bool closePopUps);

} // namespace ps
