// The run as a table for a spreadsheet: one row per list row with the same
// fields as the JSON, in the conventions Excel reads without an import
// step: UTF-8 with a byte-order mark, the user's list separator and decimal
// sign, CR LF line ends.
#pragma once

#include "drawinglist/drawing_list.h"
#include "report/run_json.h"

#include <cstdint>
#include <map>
#include <string>

namespace ps {

struct CsvConventions {
    std::string listSeparator = ","; // the user's list separator (Regional settings)
    std::string decimalSign = ".";
};

std::string RunCsv(const DrawingList& list, const std::map<std::uint64_t, RowDetails>& details,
                   const CsvConventions& conventions);

// One field as a CSV cell: quoted when it holds the separator, a quote, a
// line end or blanks at either end; a text that a spreadsheet would take
// for a formula (=, +, -, @ first) is led by an apostrophe.
std::string CsvField(std::string_view text, std::string_view separator, bool number = false);

} // namespace ps
