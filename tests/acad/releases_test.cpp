#include "acad/releases.h"

#include <gtest/gtest.h>

#include <string>

namespace ps {
namespace {

struct KeyFamily {
    const char* key;
    ReleaseFamily family;
};

const KeyFamily kListedKeys[] = {
    {"R13.0", ReleaseFamily::R13}, {"R3.0", ReleaseFamily::R13},  {"R14.0", ReleaseFamily::R14},
    {"R5.0", ReleaseFamily::R14},  {"R4.0", ReleaseFamily::R14},  {"R15.0", ReleaseFamily::R15},
    {"R6.0", ReleaseFamily::R15},  {"R7.0", ReleaseFamily::R15},  {"R8.0", ReleaseFamily::R15},
    {"R6", ReleaseFamily::R15},    {"R7", ReleaseFamily::R15},    {"R8", ReleaseFamily::R15},
    {"R16.3", ReleaseFamily::R16}, {"R16.2", ReleaseFamily::R16}, {"R16.1", ReleaseFamily::R16},
    {"R16.0", ReleaseFamily::R16}, {"R9.0", ReleaseFamily::R16},  {"R9", ReleaseFamily::R16},
    {"R10.0", ReleaseFamily::R16}, {"R10", ReleaseFamily::R16},   {"R11.0", ReleaseFamily::R16},
    {"R11", ReleaseFamily::R16},   {"R17.3", ReleaseFamily::R17}, {"R17.2", ReleaseFamily::R17},
    {"R17.1", ReleaseFamily::R17}, {"R17.0", ReleaseFamily::R17}, {"R12.0", ReleaseFamily::R17},
    {"R12", ReleaseFamily::R17},   {"R13", ReleaseFamily::R17},   {"R14", ReleaseFamily::R17},
    {"R18.3", ReleaseFamily::R18}, {"R18.2", ReleaseFamily::R18}, {"R18.1", ReleaseFamily::R18},
    {"R18.0", ReleaseFamily::R18}, {"R15", ReleaseFamily::R18},   {"R16", ReleaseFamily::R18},
    {"R17", ReleaseFamily::R18},
};

TEST(ReleaseFamilies, EveryListedKeyBelongsToItsFamily) {
    for (const auto& row : kListedKeys) {
        SCOPED_TRACE(row.key);
        const auto family = FamilyOfReleaseKey(row.key);
        ASSERT_TRUE(family.has_value());
        EXPECT_EQ(*family, row.family);
    }
}

TEST(ReleaseFamilies, KeysOutsideTheTableHaveNoFamily) {
    // Later releases, unlisted minor versions, other letter case, blanks: exact comparison only.
    for (const char* key :
         {"R19.0", "R24.0", "R16.4", "r16.2", "R15.1", "R12.1", "R1", "", " R15.0", "R18"}) {
        SCOPED_TRACE(key);
        EXPECT_FALSE(FamilyOfReleaseKey(key).has_value());
    }
}

TEST(ReleaseFamilies, NoKeyReachesFamilyR12) {
    for (const auto& row : kListedKeys)
        EXPECT_NE(row.family, ReleaseFamily::R12);
    EXPECT_EQ(FamilyName(ReleaseFamily::R12), "R12");
    EXPECT_EQ(FamilyLabel(ReleaseFamily::R12), "R12 or older:");
}

TEST(ReleaseFamilies, LabelsAndNames) {
    const char* names[] = {"R12", "R13", "R14", "R15", "R16", "R17", "R18"};
    const char* labels[] = {"R12 or older:", "R13:", "R14:", "2000:", "2004:", "2007:", "2010:"};
    for (std::size_t i = 0; i < kAllFamilies.size(); ++i) {
        EXPECT_EQ(FamilyName(kAllFamilies[i]), names[i]);
        EXPECT_EQ(FamilyLabel(kAllFamilies[i]), labels[i]);
    }
}

TEST(ReleaseFamilies, R15OrLaterFollowsTheFamilyAndKeepsItsValueForUnknownKeys) {
    EXPECT_FALSE(UpdateR15OrLater("R13.0", true));
    EXPECT_FALSE(UpdateR15OrLater("R14.0", true));
    EXPECT_FALSE(UpdateR15OrLater("R5.0", true)); // AutoCAD LT 98
    EXPECT_TRUE(UpdateR15OrLater("R15.0", false));
    EXPECT_TRUE(UpdateR15OrLater("R8", false));
    EXPECT_TRUE(UpdateR15OrLater("R18.0", false));
    EXPECT_TRUE(UpdateR15OrLater("R19.0", true));
    EXPECT_FALSE(UpdateR15OrLater("R19.0", false));
    EXPECT_FALSE(UpdateR15OrLater("", false));
}

} // namespace
} // namespace ps

namespace ps {
namespace {

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
    EXPECT_FALSE(ProductFamily("R12.1").has_value());
    EXPECT_FALSE(ProductFamily("R1").has_value());
}

} // namespace
} // namespace ps
