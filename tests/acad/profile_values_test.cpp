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

namespace ps {
namespace {

TEST(TrustedPaths, OnlyFoldersNotYetTrustedAreAdded) {
    const std::vector<std::string> folders{"C:\\Prog\\Plansweeper", "D:\\Scripts\\"};
    EXPECT_EQ(WithTrustedFolders("", folders), "C:\\Prog\\Plansweeper;D:\\Scripts");
    EXPECT_EQ(WithTrustedFolders(".", folders), "C:\\Prog\\Plansweeper;D:\\Scripts");
    EXPECT_EQ(WithTrustedFolders("\"c:\\prog\\plansweeper\\\";D:\\Scripts", folders),
              "\"c:\\prog\\plansweeper\\\";D:\\Scripts");
    EXPECT_EQ(WithTrustedFolders("C:\\Prog\\...;", folders), "C:\\Prog\\...;D:\\Scripts");
    // "\..." trusts the folder's subfolders, not a folder whose name merely begins alike.
    EXPECT_EQ(WithTrustedFolders("C:\\Pro\\...", folders), "C:\\Pro\\...;C:\\Prog\\Plansweeper;D:\\Scripts");
}

class TrustedPathsOfAProfile : public testing::Test {
protected:
    void SetUp() override {
        test::WriteSampleProducts(reg);
        reg.putString(kUser, kVariables, "TRUSTEDPATHS", "E:\\Tools");
    }
    std::string trusted() { return RegText(ReadRegValue(reg, kUser, kVariables, "TRUSTEDPATHS")); }
    const std::string kVariables = kProfile + "\\Variables";
    const std::vector<std::string> kFolders{"C:\\Prog"};
    MemoryRegistry reg;
};

TEST_F(TrustedPathsOfAProfile, AddedForTheRunAndBackAfterwardsOrAfterAKill) {
    SavedProfileValues saved = GetAcadRegistry(reg, "AutoCAD 2007", "", false, kFolders);
    EXPECT_FALSE(saved.untrusted);
    EXPECT_EQ(trusted(), "E:\\Tools;C:\\Prog");
    RestoreAcadRegistry(reg, saved);
    EXPECT_EQ(trusted(), "E:\\Tools");

    // A list with a variable keeps its type through the run.
    RawRegValue expand = RegSzValue("%APPDATA%\\Tools");
    expand.type = kRegExpandSz;
    reg.setValue(kUser, kVariables, "TRUSTEDPATHS", expand);
    saved = GetAcadRegistry(reg, "AutoCAD 2007", "", false, kFolders);
    RestoreAcadRegistry(reg, saved);
    EXPECT_EQ(reg.queryValue(kUser, kVariables, "TRUSTEDPATHS")->type, kRegExpandSz);

    reg.deleteValue(kUser, kVariables, "TRUSTEDPATHS");
    GetAcadRegistry(reg, "AutoCAD 2007", "<<Unnamed Profile>>", false, kFolders);
    EXPECT_EQ(trusted(), "C:\\Prog");
    // The program ends with AutoCAD still running: the next start mends it.
    EXPECT_TRUE(RestorePendingProfileValues(reg));
    EXPECT_FALSE(reg.queryValue(kUser, kVariables, "TRUSTEDPATHS").has_value());
}

TEST_F(TrustedPathsOfAProfile, ALockedValueRefusesAndSecureLoadZeroNeedsNothing) {
    reg.lockValue(kUser, kVariables, "TRUSTEDPATHS");
    SavedProfileValues saved = GetAcadRegistry(reg, "AutoCAD 2007", "", false, kFolders);
    EXPECT_TRUE(saved.untrusted);
    RestoreAcadRegistry(reg, saved);
    EXPECT_EQ(trusted(), "E:\\Tools");

    reg.putDword(kUser, kVariables, "SECURELOAD", 0);
    saved = GetAcadRegistry(reg, "AutoCAD 2007", "", false, kFolders);
    EXPECT_FALSE(saved.untrusted);
    EXPECT_FALSE(saved.trustSet);
}

} // namespace
} // namespace ps
