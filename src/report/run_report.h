// The run report: one self-contained HTML file (no script, no network) with
// the run's totals and what its cleaning did, the failed drawings first,
// then every row with its status, version, sizes, dates, counts, missing
// references and the drawing's own thumbnail (each distinct picture stored
// once), readable on screen and printed in landscape.
#pragma once

#include "core/file_system.h"
#include "drawinglist/drawing_list.h"
#include "report/run_json.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ps {

struct ReportFacts {
    std::string created; // when the report was made, as the user's clock shows it
    std::string totals;  // the information frame's text: "Label: \r\nvalue" lines
    // What the runs learnt of rows beyond their cells (the cleaning's
    // record); none: the report shows no cleaning.
    const std::map<std::uint64_t, RowDetails>* details = nullptr;
};


// A drawing's thumbnail as PNG bytes, nullopt when it has none.
using ThumbnailSource = std::function<std::optional<std::string>(const DrawingRow&)>;

std::string RunReportHtml(const DrawingList& list, const ReportFacts& facts,
                          const ThumbnailSource& thumbnail);

// The thumbnail stored in a drawing, read through the image area only (a
// large drawing is not read whole), as the preview shows it; nullopt for a
// file without one.
std::optional<std::string> ThumbnailPng(const FileSystem& fs, std::string_view path);

// The thumbnail as the report keeps it: the drawing's own, made small by
// shrink (nullopt from it: kept as read).
std::optional<std::string>
ReportThumbnail(const FileSystem& fs, std::string_view path,
                const std::function<std::optional<std::string>(std::string_view png)>& shrink);

// The totals text ("Label: \r\nvalue" lines) as label and value pairs.
std::vector<std::pair<std::string, std::string>> TotalsPairs(std::string_view totals);

// Text made safe inside HTML.
std::string HtmlEscaped(std::string_view text);
std::string Base64(std::string_view bytes);

} // namespace ps
