// One list spread over many desks: split into parts of about equal work,
// and each part's outcomes merged back into the whole list.
#pragma once

#include "drawinglist/drawing_list.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ps {

// The drawing rows (folder rows expanded before) in `parts` lists of about
// equal work, each row in its list order. Drawings of one name (whatever
// their folder or extension) stay in one part: the rules that hold within a
// run (a file processed once, one name saved once to the save-to folder)
// then hold across the parts. work gives a row's weight (at least 1 is
// taken). Folder rows are left out.
std::vector<DrawingList> SplitList(const DrawingList& list, std::size_t parts,
                                   const std::function<std::uint64_t(const DrawingRow&)>& work);

struct MergeResult {
    std::size_t merged = 0;           // rows whose outcome was copied
    std::optional<std::string> error; // the part does not belong to the list: nothing was copied
};

// Copies the outcome of each row of a part (status, version, sizes, dates)
// into the row of the whole list that names the same file (without regard
// to case). A part with a row the list does not hold is refused whole.
// Merging a part twice gives the same list as merging it once.
MergeResult MergePart(DrawingList& whole, const DrawingList& part);

} // namespace ps
