// The texts a run shows: numbers with thousands separated, elapsed time, the
// running label and the totals after the last row.
#pragma once

#include "drawinglist/drawing_list.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ps {

// "1 234 567"; zero is "0".
std::string FormatThousands(std::int64_t value);
// "hh:mm:ss", hours counting past 24.
std::string FormatElapsed(std::uint64_t milliseconds);
// The numeric value at the start of a size cell ("245", " ", "").
std::int64_t CellNumber(std::string_view cell);

// The information frame while drawing i of n runs.
std::string RunningLabel(std::size_t i, std::size_t n, std::uint64_t elapsedMs);
// What a run did, for its totals: the rows it gave a status, by identity,
// and whether it was stopped before its last row.
struct RunTally {
    std::vector<std::uint64_t> recorded;
    bool stopped = false;
};

// The totals below the product label's head: sizes before and after, files,
// files "OK", and the time when the run processed rows. With a run's tally
// every figure counts the rows it recorded, so that rows it never reached
// count neither as files nor as shrunk to nothing, and a stopped run says
// after how many drawings it stopped.
std::string TotalsText(const DrawingList& list, std::optional<std::uint64_t> elapsedMs,
                       const RunTally* tally = nullptr);

// Why a run stopped at AutoCAD's licence window.
inline constexpr std::string_view kLicenceStopReason =
    "AutoCAD asked for its licence (\"Let's Get Started\"). Start AutoCAD once by hand, sign in or choose "
    "its licence, then run the list again.";

// Why a run cannot go on with a product that locks its trusted paths for
// the profile: said once, before any of its drawings.
std::string TrustLockedMessage(std::string_view prodName, std::string_view folder);

} // namespace ps
