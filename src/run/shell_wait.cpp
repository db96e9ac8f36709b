#include "run/shell_wait.h"

namespace ps {

bool ProcessWatch::start(std::string_view commandLine, int windowStyle) {
    outcome_ = kOutcomeNotStarted;
    if (!process_.start(commandLine, windowStyle))
        return false;
    // Measured on a clock that a time change cannot move.
    startMs_ = clock_.monotonicMs();
    outcome_ = kOutcomeEnded;
    return true;
}

bool ProcessWatch::pass(bool lookForPopUps) {
    outcome_ = kOutcomeEnded;
    const bool ended = process_.hasEnded();
    if (closePopUps_ && scan_ && lookForPopUps) {
        const std::int16_t code = scan_(owned());
        if (code == 3 || code == kOutcomeLicence)
            remembered_ = code;
        if (code > 0)
            outcome_ = code;
        // Nothing will answer it: AutoCAD is ended at once.
        if (code == kOutcomeLicence)
            return true;
    }
    const auto elapsedSeconds = static_cast<std::int64_t>((clock_.monotonicMs() - startMs_) / 1000);
    if (elapsedSeconds > timeoutSeconds_) {
        outcome_ = kOutcomeTimeout;
        return true;
    }
    return ended;
}

void ProcessWatch::stopByUser() {
    // The question took its time: AutoCAD may have saved and quit meanwhile.
    outcome_ = process_.hasEndedNow() ? kOutcomeEnded : kOutcomeUserStop;
}

void ProcessWatch::end() {
    if (scan_) {
        scan_(owned());
        scan_(owned());
    }
    if (remembered_ != 0)
        outcome_ = remembered_;
    process_.terminate();
    endingMs_ = clock_.monotonicMs();
}

bool ProcessWatch::gone() {
    return process_.hasEnded() || clock_.monotonicMs() - endingMs_ >= kEndWaitMs;
}

std::int16_t ShellWait(ShellWaitPorts& p, std::string_view commandLine, int windowStyle,
                       std::int32_t timeoutSeconds, bool closePopUps) {
    ProcessWatch watch(p.process, p.clock, p.closePopUps, timeoutSeconds, closePopUps);
    if (!watch.start(commandLine, windowStyle))
        return kOutcomeNotStarted;
    bool askBeforeTerminating = true;
    while (true) {
        p.pump.pumpOnce();
        if (p.state.stopRequested() && askBeforeTerminating) {
            if (p.prompt.askYesNo(kTerminateQuestion, kPromptTitle)) {
                watch.stopByUser();
                break;
            }
            askBeforeTerminating = false;
            continue;
        }
        if (watch.pass())
            break;
        // One pass per wake: the process ends, input arrives, or a short while passes.
        p.process.waitForWake(kWaitSliceMs);
    }
    watch.end();
    // Gone within a few seconds; the window answers meanwhile.
    while (!watch.gone()) {
        p.pump.pumpOnce();
        p.process.waitForWake(kWaitSliceMs);
    }
    return watch.outcome();
}

} // namespace ps
