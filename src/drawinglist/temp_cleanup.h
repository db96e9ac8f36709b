// Deleting AutoCAD's backup, autosave, lock, error and log files in the
// folders of folder rows, older than a chosen number of days, with a log of
// every deleted file.
#pragma once

#include "core/ansi_codec.h"
#include "core/file_system.h"
#include "core/system_ports.h"
#include "core/run_state.h"
#include "core/settings.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace ps {

inline constexpr std::string_view kDeletedFilesLog = "PlansweeperDeletedFiles.log";

// Whether a file name is of a kind the settings choose for deletion.
bool IsChosenTemporaryFile(std::string_view name, const Settings& settings);
bool AnyDeletionChosen(const Settings& settings);
// Calendar-day boundaries between the last write and today exceed the days.
bool OldEnough(std::int64_t lastWriteDay, std::int64_t today, std::int32_t deleteDays);

struct CleanupContext {
    FileSystem& files;
    const Settings& settings;
    RunState& state;
    MessagePump& pump;
    const Clock& clock;
    const AnsiCodec& codec;
    std::string logPath;
    std::int64_t deleted = 0;
};

// Replaces the log with its first line, the date and time of the run's start.
void StartDeletedFilesLog(CleanupContext& context);

// Deletes the chosen kinds in the folder (and, with IncludeSubfolders, below
// it, never through junctions or symbolic links), logging each.
void FindFilesAPIdelete(CleanupContext& context, std::string folder);

} // namespace ps
