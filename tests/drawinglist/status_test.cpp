#include "drawinglist/status.h"

#include "drawinglist/drawing_list.h"

#include <gtest/gtest.h>

namespace ps {
namespace {

DrawingList ListWith(std::initializer_list<std::string_view> statuses) {
    DrawingList list;
    for (auto s : statuses) {
        DrawingRow row;
        row.cells[kColFilename] = "a.dwg";
        row.cells[kColStatus] = std::string(s);
        list.append(row);
    }
    return list;
}

// A refusal the settings chose leaves the drawing as the user wants it; one
// that leaves work undone is a failure however it is worded.
TEST(Status, TheExitCodeFollowsTheListAsItStands) {
    EXPECT_EQ(ListExitCode(ListWith(
                  {status::kOk, status::kSkip, status::kCannotSaveVersion, status::kAlreadyProcessed})),
              0);
    EXPECT_EQ(ListExitCode(ListWith({status::kOk, status::kNoSafetyCopy})), 1);
    EXPECT_EQ(ListExitCode(ListWith({status::kOk, "Done by hand"})), 1);
    // Rows still to do fail a run, not a dry run that leaves them so.
    EXPECT_EQ(ListExitCode(ListWith({status::kOk, status::kPending})), 1);
    EXPECT_EQ(ListExitCode(ListWith({status::kOk, status::kPending}), false), 0);
    EXPECT_EQ(TintOf(status::kNotEnoughSpace), Tint::Failure);
    EXPECT_EQ(TintOf(status::kDontSaveSelected), Tint::None);
}

} // namespace
} // namespace ps
