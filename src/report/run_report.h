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
// With mostSide, a bitmap larger than that is made to fit first.
std::optional<std::string> ThumbnailPng(const FileSystem& fs, std::string_view path,
                                        std::int32_t mostSide = 0);

// Thumbnails in the report are drawn 96 pixels wide; their pictures are
// kept at most twice as large, for sharp print.
inline constexpr std::int32_t kReportPictureMostSide = 192;

// Compresses a PNG made to fit kReportPictureMostSide (nullopt: kept as it is).
using Shrink = std::function<std::optional<std::string>(std::string_view png)>;
// Every drawing row's report thumbnail (the drawing's own, at most
// kReportPictureMostSide a side), read and made small on up to `threads`
// threads at once, each with the shrink makeShrink gives it; by row
// identity, rows without a picture left out.
std::map<std::uint64_t, std::string> ReportThumbnails(const FileSystem& fs, const DrawingList& list,
                                                      unsigned threads,
                                                      const std::function<Shrink()>& makeShrink);
// Those pictures as the report asks for them, row by row.
ThumbnailSource PicturesOf(const std::map<std::uint64_t, std::string>& pictures);

// What a row's details window says (CR LF lines, to copy as they are): the
// drawing, its status and, for a failure, why; versions, sizes and time;
// what the cleaning purged and the references AutoCAD could not find.
std::string RowDetailsText(const DrawingRow& row, const RowDetails* details);
// The references the row's AutoCAD could not find (xrefs, fonts, images), and
// the window's "Missing" cell of them: "2: Site plan, romans.shx"; empty
// without a record or when nothing was missing.
std::vector<std::string> MissingReferences(const RowDetails* details);
std::string MissingCellText(const RowDetails* details);

// The totals text ("Label: \r\nvalue" lines) as label and value pairs.
std::vector<std::pair<std::string, std::string>> TotalsPairs(std::string_view totals);

// Text made safe inside HTML.
std::string HtmlEscaped(std::string_view text);
std::string Base64(std::string_view bytes);

} // namespace ps
