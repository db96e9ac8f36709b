// The run report: one self-contained HTML file (no script, no network) with
// the run's totals, the failed drawings first, then every row with its
// status, version, sizes and dates and the drawing's own thumbnail, readable
// on screen and on paper.
#pragma once

#include "core/file_system.h"
#include "drawinglist/drawing_list.h"

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
};

// A drawing's thumbnail as PNG bytes, nullopt when it has none.
using ThumbnailSource = std::function<std::optional<std::string>(const DrawingRow&)>;

std::string RunReportHtml(const DrawingList& list, const ReportFacts& facts,
                          const ThumbnailSource& thumbnail);

// The thumbnail stored in a drawing, read through the image area only (a
// large drawing is not read whole), as the preview shows it; nullopt for a
// file without one.
std::optional<std::string> ThumbnailPng(const FileSystem& fs, std::string_view path);

// The totals text ("Label: \r\nvalue" lines) as label and value pairs.
std::vector<std::pair<std::string, std::string>> TotalsPairs(std::string_view totals);

// Text made safe inside HTML.
std::string HtmlEscaped(std::string_view text);
std::string Base64(std::string_view bytes);

} // namespace ps
