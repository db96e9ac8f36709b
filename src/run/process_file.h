// Running AutoCAD on one drawing: the command line, the wait, and what
// happens to the drawing's dates and lock file afterwards.
#pragma once

#include "core/file_system.h"
#include "run/shell_wait.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace ps {

struct ProcessFileRequest {
    std::string exePath;
    std::string drawingPath;
    std::string scriptBasePath; // without ".scr"
    std::int32_t timeoutSeconds = 120;
    bool restoreDates = true;
    int windowStyle = 1; // 2 when the main window is minimised, 3 for the console engine
    bool closePopUps = true;
    // The console engine to run instead of exePath, and its profile and
    // language; empty: exePath's batch start.
    std::string consolePath;
    std::string profile;
    std::string language;
};

// Starts AutoCAD with the batch command line and waits. After a normal end
// the drawing's three file times are put back (when asked to). afterWait,
// when given, runs once AutoCAD has gone and before anything is put back (the
// run checks what AutoCAD saved there) and says whether AutoCAD finished its
// work. When it did not (a time-out, a stop, a crash, no save), the lock file
// is deleted if this AutoCAD wrote it: a lock that is there unchanged from
// before the start is somebody else's and stays.
// The drawing's side of one AutoCAD process: what is noted before the start,
// and put right once the process has gone.
class DrawingAtWork {
public:
    DrawingAtWork(FileSystem& files, const ProcessFileRequest& request);
    std::string commandLine() const;
    // finished: AutoCAD did its work (see ProcessFile).
    void finish(std::int16_t outcome, bool finished);

private:
    FileSystem& files_;
    ProcessFileRequest request_;
    std::string lock_;
    std::optional<FileFingerprint> lockBefore_;
    std::optional<FileTimes> times_;
};

std::int16_t ProcessFile(ShellWaitPorts& ports, FileSystem& files, const ProcessFileRequest& request,
                         const std::function<bool(std::int16_t outcome)>& afterWait = {});

// The lock file AutoCAD keeps beside a drawing: its last four characters
// replaced by ".dwl".
std::string LockFilePath(std::string_view drawingPath);

} // namespace ps
