#include "run/shell_wait.h"

namespace ps {

std::int16_t ShellWait(ShellWaitPorts& p, std::string_view commandLine, int windowStyle,
                       std::int32_t timeoutSeconds, bool closePopUps) {
    if (!p.process.start(commandLine, windowStyle))
        return kOutcomeNotStarted;

    // Measured on a clock that a time change cannot move.
    const std::uint64_t start = p.clock.monotonicMs();
    bool askBeforeTerminating = true;
    std::int16_t remembered = 0;
    std::int16_t outcome = 0;
    while (true) {
        p.pump.pumpOnce();
        if (p.state.stopRequested() && askBeforeTerminating) {
            if (p.prompt.askYesNo(kTerminateQuestion, kPromptTitle)) {
                // AutoCAD may have finished by itself while the question was
                // on screen: its save is then checked like any other.
                outcome = p.process.hasEnded() ? kOutcomeEnded : kOutcomeUserStop;
                break;
            }
            askBeforeTerminating = false;
            continue;
        }
        outcome = kOutcomeEnded;
        const bool ended = p.process.hasEnded();
        if (closePopUps) {
            const std::int16_t code = p.closePopUps(p.process.processTree());
            if (code == 3)
                remembered = 3;
            if (code > 0)
                outcome = code;
        }
        const auto elapsedSeconds = static_cast<std::int64_t>((p.clock.monotonicMs() - start) / 1000);
        if (elapsedSeconds > timeoutSeconds) {
            outcome = kOutcomeTimeout;
            break;
        }
        if (ended)
            break;
        // One pass per wake: the process ends, input arrives, or a short while passes.
        p.process.waitForWake(kWaitSliceMs);
    }
    const auto tree = p.process.processTree();
    p.closePopUps(tree);
    p.closePopUps(tree);
    if (remembered != 0)
        outcome = remembered;
    p.process.terminate();
    // Gone within a few seconds; the window answers meanwhile. A process
    // the system cannot end does not hold up the run.
    const std::uint64_t ending = p.clock.monotonicMs();
    while (!p.process.hasEnded() && p.clock.monotonicMs() - ending < kEndWaitMs) {
        p.pump.pumpOnce();
        p.process.waitForWake(kWaitSliceMs);
    }
    return outcome;
}

} // namespace ps
