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
    kOutcomeLicence = 6,     // AutoCAD asked for its licence; the process was ended
};

inline constexpr std::string_view kTerminateQuestion =
    "Do you want to terminate AutoCAD now? If not it will process to the end";
inline constexpr std::string_view kPromptTitle = "Plansweeper";

// One scan of the pop-up closer over the windows of the processes the filter
// calls the run's; returns its code.
using PopUpScan = std::function<std::int16_t(const ProcessFilter& ours)>;

struct ShellWaitPorts {
    ProcessRunner& process;
    MessagePump& pump;
    const Clock& clock;
    UserPrompt& prompt;
    const RunState& state;
    PopUpScan closePopUps;
};

// How long the wait sleeps at most between two passes when nothing happens.
inline constexpr unsigned kWaitSliceMs = 200;
// How long an ended process is given to go.
inline constexpr unsigned kEndWaitMs = 5000;

// One AutoCAD process from its start until it has gone, a pass at a time, so
// that one loop can watch several side by side: pass() until the outcome is
// settled (or stopByUser()), then end(), then gone() until true.
class ProcessWatch {
public:
    // scan may be empty for a process that opens no windows (closePopUps then false).
    ProcessWatch(ProcessRunner& process, const Clock& clock, PopUpScan scan, std::int32_t timeoutSeconds,
                 bool closePopUps)
        : process_(process), clock_(clock), scan_(std::move(scan)), timeoutSeconds_(timeoutSeconds),
          closePopUps_(closePopUps) {}
    // False when the command line could not be started (kOutcomeNotStarted).
    bool start(std::string_view commandLine, int windowStyle);
    // Looks at the process and (unless told not to this time) its pop-ups
    // once: true once its outcome is settled (it ended by itself, or the
    // time-out ran out).
    bool pass(bool lookForPopUps = true);
    // The user chose to end it: settled, unless it has ended by itself
    // meanwhile (its save is then checked like any other).
    void stopByUser();
    // The last looks at its pop-ups (none without a scan: a process that has
    // no windows), then the process is ended.
    void end();
    // True once the ended process has gone, or was given kEndWaitMs: a
    // process the system cannot end does not hold up the run.
    bool gone();
    std::int16_t outcome() const { return outcome_; }

private:
    ProcessFilter owned() {
        return [this](std::uint32_t pid) {
            return process_.owns(pid);
        };
    }

    ProcessRunner& process_;
    const Clock& clock_;
    PopUpScan scan_;
    std::int32_t timeoutSeconds_;
    bool closePopUps_;
    std::uint64_t startMs_ = 0;
    std::uint64_t endingMs_ = 0;
    std::int16_t remembered_ = 0;
    std::int16_t outcome_ = kOutcomeNotStarted;
};

// Starts one process and watches it to its end, asking the user once when a
// stop is requested.
std::int16_t ShellWait(ShellWaitPorts& ports, std::string_view commandLine, int windowStyle,
                       std::int32_t timeoutSeconds, bool closePopUps);

} // namespace ps
