// The run as JSON, beside the HTML report: the run's totals and one object
// per list row with its status, versions, sizes, time and what the companion
// recorded of its cleaning.
#pragma once

#include "drawinglist/drawing_list.h"
#include "run/cleaning_facts.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace ps {

// What this run learnt of a row beyond its cells.
struct RowDetails {
    std::string versionBefore;
    double seconds = 0;
    std::optional<CleaningFacts> facts;
    std::string log;     // the transcript file; empty: none
    std::string logTail; // a failure's last transcript lines
};

// The whole number a size cell holds; nullopt for " ", "" or anything else.
std::optional<long> SizeCellNumber(std::string_view cell);

// totals: the information frame's text ("Label: \r\nvalue" lines).
std::string RunJson(const DrawingList& list, const std::string& created, const std::string& totals,
                    const std::map<std::uint64_t, RowDetails>& details);

} // namespace ps
