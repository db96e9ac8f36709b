#include "ui/main_layout.h"

#include <gtest/gtest.h>

namespace ps {
namespace {

TEST(MainLayout, AtTheMinimumTheListKeepsItsDesignedWidthAndTheRightColumnItsPlace) {
    const MainLayout l = ResizedLayout(kMinWindowWidthTwips, kMinWindowHeightTwips);
    EXPECT_EQ(At(l, MainControl::ListView1), (TwipsRect{120, 720, 4812, 3500}));
    EXPECT_EQ(At(l, MainControl::Preview), At(DesignLayout(), MainControl::Preview));
    EXPECT_EQ(At(l, MainControl::Status), (TwipsRect{120, 4220, 7300, 255}));
    // A minimised window reports a tiny size: the places stay those of the minimum.
    EXPECT_EQ(ResizedLayout(300, 200), l);
}

TEST(MainLayout, GrowingMovesTheRightColumnAndStretchesTheListAndTheStatusLine) {
    const MainLayout l = ResizedLayout(kMinWindowWidthTwips + 600, kMinWindowHeightTwips + 300);
    EXPECT_EQ(At(l, MainControl::ListView1), (TwipsRect{120, 720, 5412, 3800}));
    EXPECT_EQ(At(l, MainControl::Preview).left, 5640);
    EXPECT_EQ(At(l, MainControl::Label2).left, 5640);
    EXPECT_EQ(At(l, MainControl::Frame1), (TwipsRect{5640, 2280, 2412, 2232}));
    EXPECT_EQ(At(l, MainControl::Status), (TwipsRect{120, 4520, 7900, 255}));
    EXPECT_EQ(At(l, MainControl::Picture2), At(DesignLayout(), MainControl::Picture2));
    EXPECT_EQ(At(l, MainControl::Label1), At(DesignLayout(), MainControl::Label1));
}

// A font taller than the design's makes the smallest window taller by just
// what the product label lacks, so that its text shows in full.
TEST(MainLayout, TheSmallestWindowLeavesRoomForTheProductLabelsText) {
    const auto labelAt = [](std::int32_t height) {
        return At(ResizedLayout(kMinWindowWidthTwips, height), MainControl::ProdName).height;
    };
    const std::int32_t designed = labelAt(kMinWindowHeightTwips);
    EXPECT_EQ(MinWindowHeightTwips(designed - 100), kMinWindowHeightTwips);
    const std::int32_t taller = MinWindowHeightTwips(designed + 300);
    EXPECT_EQ(taller, kMinWindowHeightTwips + 300);
    EXPECT_EQ(labelAt(taller), designed + 300);
}

TEST(MainLayout, TwipsAndPixelsAtNinetySixAndOneHundredFortyFourDpi) {
    EXPECT_EQ(TwipsToPixels(7656, 96), 510);
    EXPECT_EQ(TwipsToPixels(7656, 144), 766);
    EXPECT_EQ(PixelsToTwips(510, 96), 7650);
}

// The pictures are enlarged only by whole numbers and never beyond their cell.
TEST(MainLayout, ToolbarPicturesGrowByWholeNumbersWithinTheirCell) {
    const auto plan = [](int dpi) {
        const auto p = ToolbarIconsAt(dpi);
        return std::array<int, 3>{p.cell, p.base, p.scale};
    };
    EXPECT_EQ(plan(96), (std::array<int, 3>{16, 16, 1}));
    EXPECT_EQ(plan(120), (std::array<int, 3>{20, 16, 1})); // 125 %: the small set, centred
    EXPECT_EQ(plan(144), (std::array<int, 3>{24, 24, 1})); // 150 %: the large set
    EXPECT_EQ(plan(192), (std::array<int, 3>{32, 16, 2})); // 200 %: the small set doubled
    EXPECT_EQ(plan(288), (std::array<int, 3>{48, 24, 2})); // 300 %: the large set doubled
}

} // namespace
} // namespace ps
