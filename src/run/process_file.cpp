#include "run/process_file.h"

#include "acad/host.h"

namespace ps {

std::string LockFilePath(std::string_view drawingPath) {
    const std::size_t keep = drawingPath.size() >= 4 ? drawingPath.size() - 4 : 0;
    return std::string(drawingPath.substr(0, keep)) + ".dwl";
}

std::int16_t ProcessFile(ShellWaitPorts& ports, FileSystem& files, const ProcessFileRequest& r,
                         const std::function<bool(std::int16_t outcome)>& afterWait) {
    const std::string lock = LockFilePath(r.drawingPath);
    const auto lockBefore = files.fingerprint(lock);
    std::optional<FileTimes> times;
    if (r.restoreDates)
        times = files.fileTimes(r.drawingPath);
    const std::string commandLine = BatchCommandLine(r.exePath, r.drawingPath, r.scriptBasePath);
    const std::int16_t outcome =
        ShellWait(ports, commandLine, r.windowStyle, r.timeoutSeconds, r.closePopUps);
    const bool finished = afterWait ? afterWait(outcome) : outcome == kOutcomeEnded;
    if (outcome == kOutcomeEnded && times)
        files.setFileTimes(r.drawingPath, *times);
    // A process that never started left no lock of its own.
    if (outcome != kOutcomeNotStarted && (outcome > kOutcomeEnded || !finished)) {
        const auto lockAfter = files.fingerprint(lock);
        if (lockAfter && lockAfter != lockBefore)
            files.deleteFile(lock, true);
    }
    return outcome;
}

} // namespace ps
