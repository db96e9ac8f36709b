#include "drawinglist/list_parts.h"

#include "core/file_facts.h"

#include <gtest/gtest.h>

namespace ps {
namespace {

DrawingRow Row(const std::string& folder, const std::string& name, const std::string& size = "1") {
    DrawingRow row;
    row.cells[kColFilename] = name;
    row.cells[kColPath] = folder;
    row.cells[kColSizeBefore] = size;
    return row;
}

// Parts of about equal work; one name, in any folder or format, in one part.
TEST(ListParts, SplitBalancesWorkAndKeepsANameTogether) {
    DrawingList list;
    list.append(Row("C:\\A", "plan.dwg", "10"));
    list.append(Row("C:\\B", "PLAN.dxf", "10"));
    for (int i = 0; i < 6; ++i)
        list.append(Row("C:\\A", "d" + std::to_string(i) + ".dwg", "5"));
    const auto parts =
        SplitList(list, 2, [](const DrawingRow& r) { return std::stoull(r.cell(kColSizeBefore)); });
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(parts[0].size() + parts[1].size(), list.size());
    const auto& withPlan = parts[0][0].cell(kColFilename) == "plan.dwg" ? parts[0] : parts[1];
    ASSERT_GE(withPlan.size(), 2u);
    EXPECT_EQ(withPlan[1].cell(kColFilename), "PLAN.dxf");
    EXPECT_EQ(withPlan.size(), 3u); // 20 + 5 against 5 x 5
}

// A part's outcomes go back into its rows; a part of another list is
// refused whole, and a part merged twice leaves what merging it once did.
TEST(ListParts, MergeCopiesOutcomesAndRefusesStrangers) {
    DrawingList whole;
    whole.append(Row("C:\\A", "a.dwg"));
    whole.append(Row("C:\\A", "b.dwg"));
    DrawingList part;
    part.append(Row("c:\\a", "B.DWG"));
    part[0].cell(kColStatus) = "OK";
    part[0].cell(kColSizeAfter) = "7";
    ASSERT_EQ(MergePart(whole, part).merged, 1u);
    EXPECT_EQ(whole[1].cell(kColStatus), "OK");
    EXPECT_EQ(whole[1].cell(kColSizeAfter), "7");
    const DrawingList once = whole;
    MergePart(whole, part);
    EXPECT_EQ(whole[1].cells, once[1].cells);
    DrawingList stranger = part;
    stranger.append(Row("C:\\Z", "z.dwg"));
    stranger[0].cell(kColStatus) = "Timeouted";
    EXPECT_TRUE(MergePart(whole, stranger).error.has_value());
    EXPECT_EQ(whole[1].cell(kColStatus), "OK"); // nothing of it was copied
}

} // namespace
} // namespace ps
