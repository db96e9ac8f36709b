#include "drawinglist/status.h"

#include "drawinglist/drawing_list.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

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

// The README's exit-code table names every status the program writes, each
// in the row its kind leads to: a status missing from the table (and so
// taken for a failure) shows here.
TEST(Status, TheReadmesExitCodeTableAgreesWithTheStatusTable) {
    std::ifstream in(PS_SOURCE_DIR "/README.md");
    ASSERT_TRUE(in.is_open());
    std::string line, zero, one;
    while (std::getline(in, line)) {
        if (line.starts_with("| 0 | every drawing row"))
            zero = line;
        if (line.starts_with("| 1 | any row failed"))
            one = line;
    }
    ASSERT_FALSE(zero.empty());
    ASSERT_FALSE(one.empty());
    const auto quoted = [](const std::string& row) {
        std::vector<std::string> texts;
        for (auto open = row.find('"'); open != std::string::npos; open = row.find('"', open + 1)) {
            const auto close = row.find('"', open + 1);
            if (close == std::string::npos)
                break;
            texts.push_back(row.substr(open + 1, close - open - 1));
            open = close;
        }
        return texts;
    };
    for (const auto& text : quoted(zero))
        EXPECT_NE(KindOf(text), StatusKind::Failure) << text;
    for (const auto& text : quoted(one))
        EXPECT_EQ(KindOf(text), StatusKind::Failure) << text;
    for (const auto& entry : StatusTable()) {
        const std::string named = "\"" + std::string(entry.text) + (entry.prefix ? "" : "\"");
        if (entry.kind == StatusKind::Chosen) {
            EXPECT_NE(zero.find(named), std::string::npos) << entry.text;
        } else if (entry.kind == StatusKind::Failure) {
            EXPECT_NE(one.find(named), std::string::npos) << entry.text;
        }
    }
}

} // namespace
} // namespace ps
