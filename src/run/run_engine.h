// The batch run: walks the drawing list once and, for every row whose Status
// is empty, plans it (row_plan), refuses the drawing with a status text when
// that cannot work, and otherwise writes the script, makes the safety copies
// (safety_copies), starts AutoCAD and records the outcome, version, size and
// date. The same engine serves the main window and the console batch command.
#pragma once

#include "core/settings.h"
#include "drawinglist/drawing_list.h"
#include "run/run_types.h"

namespace ps {

// Processes the rows the list holds when the run starts, in their order then.
// The list may change while the run pumps messages (rows removed or sorted):
// each row is looked up again by its identity after every pump, and a row
// that has gone is passed over. AutoCAD's current product and profile are
// put back exactly as the run found them, also after an exception.
RunResult runScript(RunPorts& ports, const Settings& settings, DrawingList& list, const RunPaths& paths,
                    const RunOptions& options = {});

} // namespace ps
