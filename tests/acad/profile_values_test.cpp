#include "acad/profile_values.h"

#include "core/memory_registry.h"
#include "support/registry_fixtures.h"

#include <gtest/gtest.h>

namespace ps {
namespace {

constexpr auto kUser = RegRoot::CurrentUser;
const std::string kProfile =
    "Software\\Autodesk\\AutoCAD\\R17.1\\ACAD-6001:409\\Profiles\\<<Unnamed Profile>>";
const std::string kFixed =
    "Software\\Autodesk\\AutoCAD\\R17.1\\ACAD-6001:409\\FixedProfile\\General Configuration";

class ProfileValues : public testing::Test {
protected:
    void SetUp() override {
        test::WriteSampleProducts(reg);
        reg.putDword(kUser, kProfile + "\\General Configuration", "IsaveBackupDwg", 1);
        reg.putDword(kUser, kFixed, "FileDialog", 0);
    }
    RegVariant value(const std::string& key, const char* name) { return ReadRegValue(reg, kUser, key, name); }
    MemoryRegistry reg;
};

TEST_F(ProfileValues, SetForTheRunAndBackAfterwards) {
    SavedProfileValues saved = GetAcadRegistry(reg, "AutoCAD 2007", "<<Unnamed Profile>>", false);
    EXPECT_EQ(saved.profileKey, kProfile);
    EXPECT_EQ(value(kProfile + "\\General", "ShowProxyDialog"), RegVariant(std::int32_t{0}));
    EXPECT_EQ(value(kProfile + "\\General Configuration", "IsaveBackupDwg"), RegVariant(std::int32_t{0}));
    EXPECT_EQ(value(kFixed, "FileDialog"), RegVariant(std::int32_t{1}));
    RestoreAcadRegistry(reg, saved);
    EXPECT_EQ(value(kProfile + "\\General", "ShowProxyDialog"), RegVariant(std::int32_t{1}));
    EXPECT_EQ(value(kProfile + "\\General Configuration", "IsaveBackupDwg"), RegVariant(std::int32_t{1}));
    EXPECT_EQ(value(kFixed, "FileDialog"), RegVariant(std::int32_t{0}));
    EXPECT_FALSE(reg.keyExists(kUser, kPendingProfileValuesKey));

    GetAcadRegistry(reg, "AutoCAD 2007", "<<Unnamed Profile>>", true);
    EXPECT_EQ(value(kProfile + "\\General Configuration", "IsaveBackupDwg"), RegVariant(std::int32_t{1}));
}

TEST_F(ProfileValues, AMissingValueComesBackAsOneWhenItsKeyExists) {
    reg.deleteValue(kUser, kProfile + "\\General", "ShowProxyDialog");
    reg.putString(kUser, kFixed, "FileDialog", "0"); // a string stays a string
    SavedProfileValues saved = GetAcadRegistry(reg, "AutoCAD 2007", "<<Unnamed Profile>>", true);
    EXPECT_EQ(saved.showProxyDialog, RegVariant(std::int16_t{1}));
    RestoreAcadRegistry(reg, saved);
    EXPECT_EQ(value(kProfile + "\\General", "ShowProxyDialog"), RegVariant(std::int32_t{1}));
    EXPECT_EQ(value(kFixed, "FileDialog"), RegVariant(std::string("0")));
}

TEST_F(ProfileValues, AnUnknownProfileWritesNothing) {
    SavedProfileValues saved = GetAcadRegistry(reg, "AutoCAD 2007", "No such profile", false);
    EXPECT_FALSE(reg.keyExists(kUser, saved.profileKey + "\\General"));
    RestoreAcadRegistry(reg, saved);
    EXPECT_FALSE(reg.keyExists(kUser, saved.profileKey));
    EXPECT_EQ(value(kFixed, "FileDialog"), RegVariant(std::int32_t{0}));
}

TEST_F(ProfileValues, ValuesLeftChangedByAnEarlyEndAreRestoredAtTheNextStart) {
    reg.deleteValue(kUser, kProfile + "\\General", "ShowProxyDialog");
    GetAcadRegistry(reg, "AutoCAD 2007", "<<Unnamed Profile>>", false); // and the program dies here
    EXPECT_EQ(value(kProfile + "\\General Configuration", "IsaveBackupDwg"), RegVariant(std::int32_t{0}));
    EXPECT_TRUE(RestorePendingProfileValues(reg));
    EXPECT_EQ(value(kProfile + "\\General Configuration", "IsaveBackupDwg"), RegVariant(std::int32_t{1}));
    EXPECT_EQ(value(kProfile + "\\General", "ShowProxyDialog"), RegVariant(std::int32_t{1}));
    EXPECT_EQ(value(kFixed, "FileDialog"), RegVariant(std::int32_t{0}));
    EXPECT_FALSE(RestorePendingProfileValues(reg)); // nothing left to do
}

TEST_F(ProfileValues, RestoreTwiceWritesOnce) {
    SavedProfileValues saved = GetAcadRegistry(reg, "AutoCAD 2007", "<<Unnamed Profile>>", false);
    RestoreAcadRegistry(reg, saved);
    reg.putDword(kUser, kFixed, "FileDialog", 7); // the user changes it later
    RestoreAcadRegistry(reg, saved);
    EXPECT_EQ(value(kFixed, "FileDialog"), RegVariant(std::int32_t{7}));
}

} // namespace
} // namespace ps
