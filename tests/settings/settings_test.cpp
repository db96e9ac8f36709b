#include "settings/settings_io.h"
#include "settings/settings_keys.h"
#include "settings/override_store.h"
#include "settings/settings_form.h"

#include "acad/products.h"
#include "core/memory_registry.h"
#include "support/registry_fixtures.h"

#include <gtest/gtest.h>

#include <map>

namespace ps {
namespace {

// A store in memory with the registry store's semantics (case-insensitive keys).
class Store : public testing::Test {
protected:
    std::string stored(std::string_view key) {
        return store.GetSetting(kSettingsApp, kSettingsSection, key, "<absent>");
    }
    void put(std::string_view key, std::string_view text) {
        store.SaveSetting(kSettingsApp, kSettingsSection, key, text);
    }
    MemoryRegistry reg;
    RegistrySettingsStore store{reg};
};

struct Expected {
    const char* key;
    const char* absent;
    const char* restore;
};

// Every run-settings key with its absent and restore values in stored form.
std::vector<Expected> ExpectedKeys() {
    std::vector<Expected> e = {
        {"IncludeSubfolders", "-1", "-1"},
        {"showVersion", "0", "0"},
        {"ArchiveAttrib", "-1", "-1"},
        {"IncludeDXF", "0", "0"},
        {"Timeout", "120", "120"},
        {"Parallel", "1", "1"},
        {"ClosePopUps", "-1", "-1"},
        {"UseConsole", "0", "0"},
        {"SkipUnchanged", "0", "0"},
        {"OnTop", "-1", "0"},
        {"Audit", "0", "0"},
        {"ZoomE", "0", "0"},
        {"PSpace", "0", "0"},
        {"ScriptFile", "", ""},
        {"PurgeTimes", "3", "3"},
        {"CreateBak", "-1", "-1"},
        {"RestoreTime", "-1", "-1"},
        {"bSaveToFolder", "0", "0"},
        {"sSaveToFolder", "", ""},
        {"DeleteDays", "10", "10"},
    };
    for (const char* k : {"DeleteBak",
                          "DeleteBK",
                          "DeleteSV",
                          "DeleteEBD",
                          "DeleteAC",
                          "DeleteDMP",
                          "DeleteERR",
                          "DeleteXLG",
                          "DeleteDWL",
                          "DeleteDWK",
                          "DeletePlotLog",
                          "PurgeAll",
                          "PurgeBlock",
                          "PurgeDim",
                          "PurgeLayer",
                          "PurgeLT",
                          "PurgeML",
                          "PurgePS",
                          "PurgeShape",
                          "PurgeText",
                          "PurgeRegapps",
                          "PurgeTableStyles",
                          "PurgeMaterials",
                          "PurgeVisualStyles",
                          "PurgeOrphaned",
                          "DelFilter",
                          "DelLayer",
                          "DelExpress",
                          "DelLine",
                          "DelText",
                          "DelPageSetups",
                          "ACAD_VBA",
                          "AppId",
                          "PurgeAnonymGroups",
                          "PurgeAllGroups",
                          "PurgeAllNOD",
                          "PurgeCleanRegApp",
                          "PurgeDoorStyles",
                          "PurgeRailingStyles",
                          "PurgeSpaceStyles",
                          "PurgeStairStyles",
                          "PurgeWallEndcapStyles",
                          "PurgeWallStyles",
                          "PurgeWindowStyles",
                          "PurgeAECDimensionStyles",
                          "PurgeAreaGroupStyles",
                          "PurgeAreaStyles",
                          "PurgeCalculationModifierStyles",
                          "PurgeAECPolygonStyles",
                          "PurgeCustomMemberShapeStyles",
                          "PurgeStructuralMemberStyles",
                          "PurgeMultiViewBlockDefinitions",
                          "PurgeLayerStyles",
                          "PurgeCustomShapeDefinitions"})
        e.push_back({k, "0", "0"});
    for (const char* k : {"INDEXCTL", "ISAVEPERCENT", "PROXYGRAPHICS", "RASTERPREVIEW"})
        e.push_back({k, "-1", "-1"});
    for (const char* k : {"R12", "R13", "R14", "R15", "R16", "R17", "R18", "R19", "R22"})
        e.push_back({k, "Don't convert format", "Don't convert format"});
    for (const char* k : {"HCA12", "HCA13", "HCA14", "HCA15", "HCA16", "HCA17", "HCA18", "HCA19", "HCA22",
                          "HCP12", "HCP13", "HCP14", "HCP15", "HCP16", "HCP17", "HCP18", "HCP19", "HCP22"})
        e.push_back({k, "", ""});
    return e;
}

TEST_F(Store, EveryKeyHasItsAbsentAndRestoreValue) {
    const auto expected = ExpectedKeys();
    EXPECT_EQ(RunSettingKeys().size(), expected.size() + 2); // + ProdName, Profile

    Settings loaded;
    loaded.OnTop = 5; // absent keys overwrite whatever the record held
    LoadFormSettings(store, reg, loaded);
    for (const auto& e : expected) {
        SCOPED_TRACE(e.key);
        const SettingKey* key = FindSettingKey(e.key);
        ASSERT_NE(key, nullptr);
        EXPECT_EQ(StoredText(*key, loaded), e.absent);
    }
    for (int i = 1; i <= 3; ++i)
        EXPECT_EQ(StoredText(*FindSettingKey("InitialDir" + std::to_string(i)), loaded), "C:\\");

    Settings restored;
    restored.OnTop = -1;
    restored.InitialDir1 = "D:\\Plans";
    DefaultSettings(store, reg, restored);
    for (const auto& e : expected) {
        SCOPED_TRACE(e.key);
        EXPECT_EQ(StoredText(*FindSettingKey(e.key), restored), e.restore);
        EXPECT_EQ(stored(e.key), e.restore); // written at once
    }
    EXPECT_EQ(restored.InitialDir1, "");
    EXPECT_EQ(stored("InitialDir1"), "");
}

TEST_F(Store, FreshStoreVersusRestoreForOnTopAndFolderMemories) {
    Settings s;
    DefaultSettings(store, reg, s);
    Settings next;
    LoadFormSettings(store, reg, next);
    EXPECT_EQ(next.OnTop, 0);        // a fresh store would give -1
    EXPECT_EQ(next.InitialDir2, ""); // stored empty, not "C:\"
}

TEST_F(Store, GarbageInNumericKeysLeavesFieldsAsTheyWereAndLoadingGoesOn) {
    put("Timeout", "two minutes");
    put("PurgeTimes", "40000"); // beyond 16 bits
    put("INDEXCTL", "");
    put("DeleteDays", "1e3");
    put("Audit", "-1"); // later keys still load
    put("R18", "AutoCAD R2010 DWG");
    Settings s;
    s.Timeout = 77;
    s.PurgeTimes = 4;
    s.INDEXCTL = 2;
    s.DeleteDays = 11;
    LoadFormSettings(store, reg, s);
    EXPECT_EQ(s.Timeout, 77);
    EXPECT_EQ(s.PurgeTimes, 4);
    EXPECT_EQ(s.INDEXCTL, 2);
    EXPECT_EQ(s.DeleteDays, 11);
    EXPECT_EQ(s.Audit, -1);
    EXPECT_EQ(s.R[6], "AutoCAD R2010 DWG");
}

TEST_F(Store, StoredNumbersConvertLikeThePlatformsConversion) {
    EXPECT_EQ(ParseStoredNumber(" 120 "), 120);
    EXPECT_EQ(ParseStoredNumber("-1"), -1);
    EXPECT_EQ(ParseStoredNumber("+7"), 7);
    EXPECT_EQ(ParseStoredNumber("1.5"), 2);
    EXPECT_EQ(ParseStoredNumber("2.5"), 2); // halves to even
    EXPECT_EQ(ParseStoredNumber("2.51"), 3);
    EXPECT_EQ(ParseStoredNumber("-0.4"), 0);
    for (const char* bad : {"", " ", "-", "abc", "12a", "1e3", "1.2.3", "0x10"})
        EXPECT_EQ(ParseStoredNumber(bad), std::nullopt) << bad;
}

TEST_F(Store, FlagStoredAsOneIsOnAndSavedAsIs) {
    put("ClosePopUps", "1");
    put("showVersion", "1");
    Settings s;
    LoadFormSettings(store, reg, s);
    EXPECT_EQ(s.ClosePopUps, 1);
    EXPECT_TRUE(IsOn(s.ClosePopUps));
    EXPECT_EQ(s.showVersion, 1);
    SaveSettings(store, s);
    EXPECT_EQ(stored("ClosePopUps"), "1");
    s.ClosePopUps = -1;
    SaveSettings(store, s);
    EXPECT_EQ(stored("ClosePopUps"), "-1");
}

TEST_F(Store, RestoreTimeIsWrittenInLowerCaseAndReadBack) {
    Settings s;
    s.RestoreTime = 0;
    SaveSettings(store, s);
    const auto path = RegistrySettingsStore::AreaPath(kSettingsApp) + "\\" + std::string(kSettingsSection);
    EXPECT_EQ(reg.queryValue(RegRoot::CurrentUser, path, "restoreTime"), RegSzValue("0"));
    Settings next;
    LoadFormSettings(store, reg, next);
    EXPECT_EQ(next.RestoreTime, 0);
}

TEST_F(Store, DeleteDaysHoldsItsWholeRange) {
    put("DeleteDays", "100000");
    Settings s;
    LoadFormSettings(store, reg, s);
    EXPECT_EQ(s.DeleteDays, 100000);
    SaveSettings(store, s);
    EXPECT_EQ(stored("DeleteDays"), "100000");
}

TEST_F(Store, EverySavedValueLoadsBackIntoAnEqualRecord) {
    Settings s;
    s.Timeout = 3600;
    s.ScriptFile = "C:\\Scripts\\fix;it.lsp";
    s.PurgeWallStyles = -1;
    s.ISAVEPERCENT = 50;
    s.R[3] = "Don't save";
    s.HCA[0] = "AutoCAD LT 2008";
    s.HCP[0] = "<<Unnamed Profile>>";
    s.InitialDir3 = "\\\\server\\share";
    SaveSettings(store, s);
    Settings back;
    LoadFormSettings(store, reg, back);
    for (const auto& key : RunSettingKeys())
        EXPECT_EQ(StoredText(key, back), StoredText(key, s)) << key.name;
    EXPECT_EQ(back.InitialDir3, s.InitialDir3);
}

TEST_F(Store, ProductAndProfileComeFromAutoCadWhenAbsent) {
    test::WriteSampleProducts(reg);
    Settings s;
    LoadFormSettings(store, reg, s);
    EXPECT_EQ(s.ProdName, "AutoCAD 2007");
    EXPECT_EQ(s.ExePath, "C:\\Program Files\\AutoCAD 2007\\acad.exe");
    EXPECT_EQ(s.Profile, "<<Unnamed Profile>>");

    put("Profile", "plotting"); // made current in the registry's letter case
    LoadFormSettings(store, reg, s);
    EXPECT_EQ(s.Profile, "plotting");
    EXPECT_EQ(AcadCurrentProfile(reg), "Plotting");

    put("ProdName", "AutoCAD LT 2008");
    LoadFormSettings(store, reg, s);
    EXPECT_EQ(s.ExePath, "C:\\Program Files\\AutoCAD LT 2008\\acadlt.exe");
}

TEST_F(Store, RestoreDeletesTheOldAreaOnly) {
    store.SaveSetting("PLANSWEEPER", "Old", "Key", "x");
    put("Audit", "-1");
    Settings s;
    DefaultSettings(store, reg, s);
    EXPECT_EQ(store.GetSetting("PLANSWEEPER", "Old", "Key", "gone"), "gone");
    EXPECT_EQ(stored("Audit"), "0");
    store.DeleteSetting("NoSuchApplication"); // a missing area is fine
}

TEST_F(Store, WindowLayoutDefaultsRoundTripAndBadValues) {
    WindowLayout current;
    current.left = 100;
    current.top = 200;
    current.width = 9000;
    current.height = 6000;
    current.windowState = 2;
    current.columnWidth.fill(10);
    WindowLayout loaded = LoadWindowLayout(store, current);
    EXPECT_EQ(loaded.left, 100);
    EXPECT_EQ(loaded.windowState, 2);
    EXPECT_EQ(loaded.columnWidth, WindowLayout().columnWidth);
    EXPECT_EQ(loaded.columnPosition, WindowLayout().columnPosition);
    EXPECT_FALSE(loaded.columnWidthsSet);

    // Widths the window chose itself are not stored; widths the user set are.
    WindowLayout saved = current;
    saved.columnPosition = {2, 1, 3, 4, 5, 6, 8, 7, 9};
    Settings s;
    SaveFormSettings(store, s, saved);
    EXPECT_EQ(stored("CH2"), "<absent>");
    saved.columnWidth[1] = 1439.5f;
    saved.columnWidthsSet = true;
    SaveFormSettings(store, s, saved);
    EXPECT_EQ(stored("CH2"), "1439.5");
    EXPECT_EQ(stored("CH1"), "10");
    EXPECT_EQ(LoadWindowLayout(store, WindowLayout{}), saved);

    put("Left", "left");
    put("CH3", "wide");
    WindowLayout bad = LoadWindowLayout(store, current);
    EXPECT_EQ(bad.left, 100);
    EXPECT_EQ(bad.columnWidth[2], 500);
    EXPECT_EQ(RestoredWindowLayout().width, 7656);
}

TEST_F(Store, OverridesApplyToEveryReadAndAreNeverStored) {
    put("Timeout", "120");
    OverrideSettingsStore over(store);
    EXPECT_TRUE(over.setOverride("timeout", "5"));
    EXPECT_TRUE(over.setOverride("PRODNAME", "AutoCAD 2010"));
    EXPECT_FALSE(over.setOverride("NoSuchKey", "1"));
    Settings s;
    LoadFormSettings(over, reg, s);
    EXPECT_EQ(s.Timeout, 5);
    EXPECT_EQ(s.ProdName, "AutoCAD 2010");
    EXPECT_EQ(over.GetSetting(kSettingsApp, kSettingsSection, "ProdName", ""), "AutoCAD 2010");
    SaveSettings(over, s);
    EXPECT_EQ(stored("Timeout"), "120"); // the override never reaches the store
    EXPECT_EQ(stored("Audit"), "0");     // other keys are saved as usual
}

TEST_F(Store, MachinePoliciesGiveDefaultsAndEnforcedValuesWin) {
    put("Audit", "0");
    put("Timeout", "30");
    reg.createKey(RegRoot::LocalMachine, kEnforcedPolicyKey);
    reg.setValue(RegRoot::LocalMachine, kPolicyKey, "PurgeTimes", RegSzValue("5"));
    reg.setValue(RegRoot::LocalMachine, kPolicyKey, "Audit", RegSzValue("-1"));
    reg.setValue(RegRoot::LocalMachine, kEnforcedPolicyKey, "Timeout", RegSzValue("600"));
    Settings s;
    LoadFormSettings(store, reg, s);
    EXPECT_EQ(s.PurgeTimes, 5); // the office's default where the user has none
    EXPECT_EQ(s.Audit, 0);      // the user's own choice over a default
    EXPECT_EQ(s.Timeout, 600);  // an enforced value over the user's
    EXPECT_TRUE(IsEnforcedByPolicy(reg, "TIMEOUT"));
    EXPECT_FALSE(IsEnforcedByPolicy(reg, "PurgeTimes"));
    // Only the program's own settings are governed.
    EXPECT_EQ(store.GetSetting(kSettingsApp, "Other", "Timeout", "<absent>"), "<absent>");
    // Saving keeps the user's own values and copies no policy into them.
    SaveSettings(store, s);
    reg.deleteValue(RegRoot::LocalMachine, kEnforcedPolicyKey, "Timeout");
    reg.setValue(RegRoot::LocalMachine, kPolicyKey, "PurgeTimes", RegSzValue("7"));
    EXPECT_EQ(stored("Timeout"), "30");
    EXPECT_EQ(stored("PurgeTimes"), "7");
    // Restoring the defaults keeps an enforced value in the record the run uses.
    reg.setValue(RegRoot::LocalMachine, kEnforcedPolicyKey, "Timeout", RegSzValue("600"));
    DefaultSettings(store, reg, s);
    EXPECT_EQ(s.Timeout, 600);
}

// Whoever set it, a value every drawing would fail for is found before the
// run: an enforced time-out of 0xFFFFFFFF, a user's product that is gone.
TEST_F(Store, EffectiveValuesAreCheckedWhateverTheirSource) {
    reg.putDword(RegRoot::LocalMachine, kEnforcedPolicyKey, "Timeout", 0xFFFFFFFFu);
    put("ProdName", "AutoCAD 2099");
    put("PurgeTimes", "3");
    const auto problems = CheckEffectiveSettings(
        store, [this](std::string_view key) { return SettingSourceOf(reg, key); },
        [](std::string_view product) { return product == "AutoCAD 2010"; });
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems[0], "Timeout must be a whole number from 0 to 100000, not \"-1\" (enforced by the "
                           "administrator in HKEY_LOCAL_MACHINE\\" +
                               std::string(kEnforcedPolicyKey) + ").");
    EXPECT_EQ(problems[1].find("ProdName names \"AutoCAD 2099\", which is not an installed AutoCAD"), 0u);
    EXPECT_NE(problems[1].find("the user's settings"), std::string::npos);
}

} // namespace
} // namespace ps
