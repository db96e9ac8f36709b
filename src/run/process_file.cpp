#include "run/process_file.h"

#include "acad/host.h"

namespace ps {

std::string LockFilePath(std::string_view drawingPath) {
    const std::size_t keep = drawingPath.size() >= 4 ? drawingPath.size() - 4 : 0;
    return std::string(drawingPath.substr(0, keep)) + ".dwl";
}

DrawingAtWork::DrawingAtWork(FileSystem& files, const ProcessFileRequest& request)
    : files_(files), request_(request), lock_(LockFilePath(request.drawingPath)),
      lockBefore_(files.fingerprint(lock_)) {
    if (request.restoreDates)
        times_ = files.fileTimes(request.drawingPath);
}

std::string DrawingAtWork::commandLine() const {
    if (!request_.consolePath.empty())
        return ConsoleCommandLine(request_.consolePath, request_.drawingPath,
                                  request_.scriptBasePath + ".scr", request_.profile, request_.language);
    return BatchCommandLine(request_.exePath, request_.drawingPath, request_.scriptBasePath);
}

void DrawingAtWork::finish(std::int16_t outcome, bool finished) {
    if (outcome == kOutcomeEnded && times_)
        files_.setFileTimes(request_.drawingPath, *times_);
    // A process that never started left no lock of its own.
    if (outcome != kOutcomeNotStarted && (outcome > kOutcomeEnded || !finished)) {
        const auto lockAfter = files_.fingerprint(lock_);
        if (lockAfter && lockAfter != lockBefore_)
            files_.deleteFile(lock_, true);
    }
}

std::int16_t ProcessFile(ShellWaitPorts& ports, FileSystem& files, const ProcessFileRequest& r,
                         const std::function<bool(std::int16_t outcome)>& afterWait) {
    DrawingAtWork drawing(files, r);
    const std::int16_t outcome =
        ShellWait(ports, drawing.commandLine(), r.windowStyle, r.timeoutSeconds, r.closePopUps);
    const bool finished = afterWait ? afterWait(outcome) : outcome == kOutcomeEnded;
    drawing.finish(outcome, finished);
    return outcome;
}

} // namespace ps
