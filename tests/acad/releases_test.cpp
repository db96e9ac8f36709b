#include "acad/releases.h"

#include <gtest/gtest.h>

#include <string>

namespace ps {
namespace {

TEST(ReleaseFamilies, KeysOutsideTheTableHaveNoFamily) {
    // Later releases, unlisted minor versions, other letter case, blanks: exact comparison only.
    for (const char* key :
         {"R19.0", "R24.0", "R16.4", "r16.2", "R15.1", "R12.1", "R1", "", " R15.0", "R18"}) {
        SCOPED_TRACE(key);
        EXPECT_FALSE(FamilyOfReleaseKey(key).has_value());
    }
    EXPECT_EQ(FamilyOfReleaseKey("R16.2"), ReleaseFamily::R16);
    EXPECT_EQ(FamilyOfReleaseKey("R12"), ReleaseFamily::R17); // AutoCAD LT 2007
}

TEST(ReleaseFamilies, R15OrLaterFollowsTheFamilyAndKeepsItsValueForUnknownKeys) {
    EXPECT_FALSE(UpdateR15OrLater("R13.0", true));
    EXPECT_FALSE(UpdateR15OrLater("R5.0", true)); // AutoCAD LT 98
    EXPECT_TRUE(UpdateR15OrLater("R8", false));
    EXPECT_TRUE(UpdateR15OrLater("R19.0", true));
    EXPECT_FALSE(UpdateR15OrLater("R19.0", false));
}

// AutoCAD LT keys carry no minor version: R8 (LT 2002) up to R17 are in the
// table, R18 (LT 2013) and later are newer than the newest family.
TEST(ReleaseFamilies, EveryAutoCadLtKeyFromR8ToR25HasTheFamilyOfItsAutoCad) {
    const ReleaseFamily expected[] = {
        ReleaseFamily::R15, ReleaseFamily::R16, ReleaseFamily::R16, ReleaseFamily::R16, ReleaseFamily::R17,
        ReleaseFamily::R17, ReleaseFamily::R17, ReleaseFamily::R18, ReleaseFamily::R18, ReleaseFamily::R18};
    for (int n = 8; n <= 25; ++n) {
        const std::string key = "R" + std::to_string(n);
        SCOPED_TRACE(key);
        const auto family = ProductFamily(key);
        ASSERT_TRUE(family.has_value());
        EXPECT_EQ(*family, n - 8 < 10 ? expected[n - 8] : ReleaseFamily::R18);
    }
    EXPECT_EQ(ProductFamily("R24.0"), ReleaseFamily::R18);
    EXPECT_FALSE(ProductFamily("R18.5").has_value());
    EXPECT_FALSE(ProductFamily("R19.").has_value());
    EXPECT_FALSE(ProductFamily("R12.1").has_value());
}

// Which products write which format, and what a row of the SaveAs page offers.
TEST(ReleaseFamilies, SavingRulesAndChoices) {
    EXPECT_FALSE(CanSave(ReleaseFamily::R16, SaveFormat{ReleaseFamily::R14})); // 2004 cannot write R14
    EXPECT_TRUE(CanSave(ReleaseFamily::R18, SaveFormat{ReleaseFamily::R14}));
    EXPECT_FALSE(CanSave(ReleaseFamily::R15, SaveFormat{ReleaseFamily::R12}));
    EXPECT_FALSE(CanSave(ReleaseFamily::R16, SaveFormat{ReleaseFamily::R13}));
    EXPECT_TRUE(CanSave(ReleaseFamily::R13, SaveFormat{ReleaseFamily::R12}));
    EXPECT_FALSE(CanSave(ReleaseFamily::R17, SaveFormat{ReleaseFamily::R18}));
    EXPECT_EQ(ConvertToChoices(ReleaseFamily::R12).size(), 9u);
    const auto newest =
        ConvertToChoices(ReleaseFamily::R18); // no R13 or R12: nothing that opens 2010 writes them
    ASSERT_EQ(newest.size(), 7u);
    EXPECT_EQ(newest[1], "AutoCAD R2010 DWG");
    EXPECT_EQ(newest.back(), "Don't save");
    EXPECT_EQ(SaveFormatOfWord("Don't convert format", ReleaseFamily::R14), SaveFormat{ReleaseFamily::R14});
    EXPECT_EQ(SaveFormatOfWord("Don't convert format", std::nullopt), std::nullopt);
    EXPECT_EQ(SaveFormatOfWord("AutoCAD R3000 DWG", ReleaseFamily::R14), std::nullopt);
    EXPECT_EQ(FamilyOfVersionLabel("11/12"), ReleaseFamily::R12);
    EXPECT_EQ(FamilyOfVersionLabel("DXF?"), std::nullopt);
}

} // namespace
} // namespace ps
