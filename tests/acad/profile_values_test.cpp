#include "acad/profile_values.h"
#include "acad/releases.h"

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
    MemoryRunOwnership runs;
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
    EXPECT_TRUE(RestorePendingProfileValues(reg, runs));
    EXPECT_EQ(value(kProfile + "\\General Configuration", "IsaveBackupDwg"), RegVariant(std::int32_t{1}));
    EXPECT_EQ(value(kProfile + "\\General", "ShowProxyDialog"), RegVariant(std::int32_t{1}));
    EXPECT_EQ(value(kFixed, "FileDialog"), RegVariant(std::int32_t{0}));
    EXPECT_FALSE(RestorePendingProfileValues(reg, runs)); // nothing left to do
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
    MemoryRunOwnership runs;
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
    EXPECT_TRUE(RestorePendingProfileValues(reg, runs));
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

// The variables that keep a drawing's opening quiet: set for the run in the
// profile AutoCAD loads, and back exactly as found afterwards or after a
// kill (a value that was not there is not left behind, nor a key made for them).
TEST_F(ProfileValues, SilentVariablesAreSetAndPutBackExactly) {
    const std::string vars = kProfile + "\\Variables";
    SavedProfileValues saved = GetAcadRegistry(reg, "AutoCAD 2007", "<<Unnamed Profile>>", false);
    EXPECT_EQ(value(vars, "FONTALT"), RegVariant(std::string("simplex.shx")));
    for (const char* name : {"XREFNOTIFY", "DWGCHECK", "FILEDIA"})
        EXPECT_EQ(value(vars, name), RegVariant(std::int32_t{0})) << name;
    EXPECT_EQ(value(vars, "RECOVERAUTO"), RegVariant(std::int32_t{2}));
    EXPECT_EQ(value(vars, "XLOADCTL"), RegVariant(std::int32_t{2}));
    RestoreAcadRegistry(reg, saved);
    EXPECT_FALSE(reg.keyExists(kUser, vars));

    reg.putString(kUser, vars, "FONTALT", "romans.shx"); // the user's own alternate font is kept
    reg.putString(kUser, vars, "XLOADCTL", "1");         // a string stays a string
    reg.putDword(kUser, vars, "OTHER", 7);
    GetAcadRegistry(reg, "AutoCAD 2007", "", false); // the product's current profile
    EXPECT_EQ(value(vars, "FONTALT"), RegVariant(std::string("romans.shx")));
    EXPECT_EQ(value(vars, "XLOADCTL"), RegVariant(std::int32_t{2}));
    EXPECT_TRUE(RestorePendingProfileValues(reg, runs));
    EXPECT_EQ(value(vars, "XLOADCTL"), RegVariant(std::string("1")));
    EXPECT_FALSE(reg.queryValue(kUser, vars, "RECOVERAUTO").has_value());
    EXPECT_EQ(value(vars, "OTHER"), RegVariant(std::int32_t{7}));
}

// Before 2026 PROJECTAWARE locks nothing; below Program Files nothing needs adding.
TEST_F(TrustedPathsOfAProfile, ProjectAwareLocksOnlyFrom2026AndProgramFilesIsAlwaysTrusted) {
    reg.putDword(kUser, kVariables, "PROJECTAWARE", 1);
    SavedProfileValues saved = GetAcadRegistry(reg, "AutoCAD 2007", "", false, kFolders);
    EXPECT_FALSE(saved.locked);
    EXPECT_EQ(trusted(), "E:\\Tools;C:\\Prog");
    RestoreAcadRegistry(reg, saved);
    const std::vector<std::string> installed{"c:\\program files (x86)\\Plansweeper\\"};
    saved = GetAcadRegistry(reg, "AutoCAD 2007", "", false, installed);
    EXPECT_FALSE(saved.trustSet);
    EXPECT_FALSE(AlwaysTrustedFolder("C:\\Program Files Old\\Plansweeper"));
    EXPECT_TRUE(ReleaseLocksTrustForProjects("R25.1"));
    EXPECT_TRUE(ReleaseLocksTrustForProjects("R32"));
    EXPECT_FALSE(ReleaseLocksTrustForProjects("R25.0"));
    EXPECT_FALSE(ReleaseLocksTrustForProjects("R31"));
}

} // namespace
} // namespace ps

namespace ps {
namespace {

// Two runs of two processes share a profile's values: the last to leave
// writes them back, a run that needs the product with another profile or
// another backup switch waits, and a later start puts back only the record
// of a run that is gone.
TEST_F(ProfileValues, RunsShareTheValuesAndTheLastToLeavePutsThemBack) {
    MemoryRunOwnership a("a"), b("b");
    a.setAlive("b", true);
    b.setAlive("a", true);
    const std::string unnamed = "<<Unnamed Profile>>";
    const auto backup = [&] {
        return value(kProfile + "\\General Configuration", "IsaveBackupDwg");
    };
    ProfileJoin first = JoinProfileValues(reg, a, "AutoCAD 2007", unnamed, false, {});
    ASSERT_EQ(first.result, ProfileJoin::Result::Joined);
    EXPECT_EQ(JoinProfileValues(reg, b, "AutoCAD 2007", unnamed, true, {}).result, ProfileJoin::Result::Busy);
    EXPECT_EQ(JoinProfileValues(reg, b, "AutoCAD 2007", "Other", false, {}).result,
              ProfileJoin::Result::Busy);
    ProfileJoin second = JoinProfileValues(reg, b, "AutoCAD 2007", unnamed, false, {});
    ASSERT_EQ(second.result, ProfileJoin::Result::Joined);
    LeaveProfileValues(reg, a, first.saved);
    EXPECT_EQ(backup(), RegVariant(std::int32_t{0}));  // b's AutoCAD still reads them
    EXPECT_FALSE(RestorePendingProfileValues(reg, a)); // b is alive: its record stays
    LeaveProfileValues(reg, b, second.saved);
    EXPECT_EQ(backup(), RegVariant(std::int32_t{1}));
    EXPECT_FALSE(reg.keyExists(kUser, kPendingProfileValuesKey));

    // b is killed while a joined: the next start finds b gone and a alive.
    first = JoinProfileValues(reg, a, "AutoCAD 2007", unnamed, false, {});
    second = JoinProfileValues(reg, b, "AutoCAD 2007", unnamed, false, {});
    a.setAlive("b", false);
    EXPECT_FALSE(RestorePendingProfileValues(reg, a));
    EXPECT_EQ(backup(), RegVariant(std::int32_t{0}));
    LeaveProfileValues(reg, a, first.saved);
    EXPECT_EQ(backup(), RegVariant(std::int32_t{1}));
    EXPECT_FALSE(reg.keyExists(kUser, kPendingProfileValuesKey));
    EXPECT_EQ(a.locksHeld(), 0);
}

} // namespace
} // namespace ps
