#include "acad/releases.h"

#include <gtest/gtest.h>

#include <string>

namespace ps {
namespace {

TEST(ReleaseFamilies, KeysOutsideTheTableHaveNoFamily) {
    // Later releases, unlisted minor versions, other letter case, blanks: exact comparison only.
    for (const char* key :
         {"R26.1", "R19.2", "R16.4", "r16.2", "R15.1", "R12.1", "R1", "", " R15.0", "R34"}) {
        SCOPED_TRACE(key);
        EXPECT_FALSE(FamilyOfReleaseKey(key).has_value());
    }
    EXPECT_EQ(FamilyOfReleaseKey("R16.2"), ReleaseFamily::R16);
    EXPECT_EQ(FamilyOfReleaseKey("R12"), ReleaseFamily::R17);   // AutoCAD LT 2007
    EXPECT_EQ(FamilyOfReleaseKey("R26.0"), ReleaseFamily::R22); // AutoCAD 2027
    EXPECT_EQ(FamilyOfReleaseKey("R33"), ReleaseFamily::R22);   // AutoCAD LT 2027
}

// AutoLISP came to AutoCAD LT with LT 2024; the old LT keys ("R9", "R10")
// are not to be read as later ones.
TEST(ReleaseFamilies, AutoCadLtRunsAutoLispFrom2024On) {
    EXPECT_FALSE(LtKeyRunsAutoLisp("R29")); // AutoCAD LT 2023
    EXPECT_TRUE(LtKeyRunsAutoLisp("R30"));
    EXPECT_TRUE(LtKeyRunsAutoLisp("R40"));
    EXPECT_FALSE(LtKeyRunsAutoLisp("R9"));
    EXPECT_FALSE(LtKeyRunsAutoLisp("R30.0"));
}

TEST(ReleaseFamilies, R15OrLaterFollowsTheFamilyAndKeepsItsValueForUnknownKeys) {
    EXPECT_FALSE(UpdateR15OrLater("R13.0", true));
    EXPECT_FALSE(UpdateR15OrLater("R5.0", true)); // AutoCAD LT 98
    EXPECT_TRUE(UpdateR15OrLater("R8", false));
    EXPECT_TRUE(UpdateR15OrLater("R19.0", false));
    EXPECT_TRUE(UpdateR15OrLater("R26.1", true));
    EXPECT_FALSE(UpdateR15OrLater("R26.1", false));
}

// AutoCAD 2013 to 2017 write the 2013 format, 2018 to 2027 the 2018 format;
// a later key of either product type is taken for the newest family.
TEST(ReleaseFamilies, CurrentReleasesAndLaterOnes) {
    EXPECT_EQ(ProductFamily("R21.0"), ReleaseFamily::R19); // AutoCAD 2017
    EXPECT_EQ(ProductFamily("R22.0"), ReleaseFamily::R22); // AutoCAD 2018
    EXPECT_EQ(ProductFamily("R23"), ReleaseFamily::R19);   // AutoCAD LT 2017
    EXPECT_EQ(ProductFamily("R24"), ReleaseFamily::R22);   // AutoCAD LT 2018
    EXPECT_EQ(ProductFamily("R18"), ReleaseFamily::R18);   // AutoCAD LT 2012
    EXPECT_EQ(ProductFamily("R27.0"), ReleaseFamily::R22);
    EXPECT_EQ(ProductFamily("R40"), ReleaseFamily::R22);
    EXPECT_FALSE(ProductFamily("R18.5").has_value());
    EXPECT_FALSE(ProductFamily("R19.").has_value());
    EXPECT_FALSE(ProductFamily("R12.1").has_value());
    EXPECT_TRUE(IsNewerDwgCode("AC1033"));
    EXPECT_FALSE(IsNewerDwgCode("AC1032"));
    EXPECT_FALSE(IsNewerDwgCode("AC103"));
    EXPECT_FALSE(IsNewerDwgCode("AC2.10"));
}

// Which products write which format, and what a row of the SaveAs page offers.
TEST(ReleaseFamilies, SavingRulesAndChoices) {
    EXPECT_FALSE(CanSave(ReleaseFamily::R16, SaveFormat{ReleaseFamily::R14})); // 2004 cannot write R14
    EXPECT_TRUE(CanSave(ReleaseFamily::R18, SaveFormat{ReleaseFamily::R14}));
    EXPECT_FALSE(CanSave(ReleaseFamily::R15, SaveFormat{ReleaseFamily::R12}));
    EXPECT_FALSE(CanSave(ReleaseFamily::R16, SaveFormat{ReleaseFamily::R13}));
    EXPECT_TRUE(CanSave(ReleaseFamily::R13, SaveFormat{ReleaseFamily::R12}));
    EXPECT_FALSE(CanSave(ReleaseFamily::R17, SaveFormat{ReleaseFamily::R18}));
    EXPECT_FALSE(CanSave(ReleaseFamily::R19, SaveFormat{ReleaseFamily::R22}));
    EXPECT_TRUE(CanSave(ReleaseFamily::R22, SaveFormat{ReleaseFamily::R14}));
    EXPECT_EQ(ConvertToChoices(ReleaseFamily::R12).size(), 11u);
    const auto newest =
        ConvertToChoices(ReleaseFamily::R22); // no R13 or R12: nothing that opens 2018 writes them
    ASSERT_EQ(newest.size(), 9u);
    EXPECT_EQ(newest[1], "AutoCAD R2018 DWG");
    EXPECT_EQ(newest[2], "AutoCAD R2013 DWG");
    EXPECT_EQ(newest[3], "AutoCAD R2010 DWG");
    EXPECT_EQ(newest.back(), "Don't save");
    EXPECT_EQ(SaveFormatOfAnswer("_2018"), SaveFormat{ReleaseFamily::R22});
    EXPECT_EQ(VersionCode(SaveFormat{ReleaseFamily::R19}), "AC1027");
    EXPECT_EQ(SaveFormatOfWord("Don't convert format", ReleaseFamily::R14), SaveFormat{ReleaseFamily::R14});
    EXPECT_EQ(SaveFormatOfWord("Don't convert format", std::nullopt), std::nullopt);
    EXPECT_EQ(SaveFormatOfWord("AutoCAD R3000 DWG", ReleaseFamily::R14), std::nullopt);
    EXPECT_EQ(FamilyOfVersionLabel("11/12"), ReleaseFamily::R12);
    EXPECT_EQ(FamilyOfVersionLabel("DXF?"), std::nullopt);
}

} // namespace
} // namespace ps
