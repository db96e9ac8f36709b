// Searching folders for drawings: the recursive search behind Add Folders and
// drops, and the expansion of folder rows when a run starts.
#pragma once

#include "core/file_system.h"
#include "core/system_ports.h"
#include "drawinglist/drawing_list.h"
#include "core/run_state.h"
#include "core/settings.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace ps {

struct SearchContext {
    DrawingList& list;
    const FileSystem& files;
    const Settings& settings;
    RunState& state;
    MessagePump& pump;
    // Run on over consecutive searches of one command.
    std::int64_t found = 0;
    std::int64_t folders = 0;
};

// Adds every accepted file of the folder that matches the pattern, then (with
// IncludeSubfolders) searches its subfolders depth first in listing order.
// Lets messages through before every entry and stops when the busy state
// goes off. Junctions and symbolic links to folders are not followed.
void FindFilesAPI(SearchContext& context, std::string folder, std::string_view pattern);

// Turns the folder rows into drawing rows (last row first), and for each of
// those folders runs the deletion of temporary files when any kind is chosen
// (cleanFolder, which may be empty to leave files alone).
void subAddFolderToFiles(SearchContext& context,
                         const std::function<void(const std::string& folder)>& cleanFolder);

} // namespace ps
