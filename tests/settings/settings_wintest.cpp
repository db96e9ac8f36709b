// The settings store in the real registry.
#include "settings/settings_io.h"
#include "settings/settings_keys.h"

#include "acad/registry_helpers.h"
#include "platform/win_registry.h"

#include <gtest/gtest.h>

namespace ps {
namespace {

constexpr std::string_view kTestApp = "PlansweeperTestApp";

class RealSettingsStore : public testing::Test {
protected:
    void SetUp() override { clean(); }
    void TearDown() override { clean(); }
    void clean() {
        store.DeleteSetting(kTestApp);
        store.DeleteSetting(kSettingsApp);
    }
    WinRegistry reg;
    RegistrySettingsStore store{reg};
};

TEST_F(RealSettingsStore, ValuesLiveWhereThePlatformKeepsApplicationSettings) {
    store.SaveSetting(kTestApp, "Sect", "Timeout", "300");
    EXPECT_EQ(store.GetSetting(kTestApp, "Sect", "TIMEOUT", "120"), "300");
    EXPECT_EQ(store.GetSetting(kTestApp, "Sect", "Missing", "dflt"), "dflt");
    EXPECT_EQ(store.GetSetting(kTestApp, "Other", "Timeout", "dflt"), "dflt");
    EXPECT_EQ(ReadRegValue(reg, RegRoot::CurrentUser,
                           "Software\\VB and VBA Program Settings\\PlansweeperTestApp\\Sect", "Timeout"),
              RegVariant(std::string("300")));
    EXPECT_EQ(reg.queryValue(RegRoot::CurrentUser,
                             "Software\\VB and VBA Program Settings\\PlansweeperTestApp\\Sect", "Timeout")
                  ->type,
              kRegSz);
    store.SaveSetting(kTestApp, "Sect", "Text", "Größe; \"quoted\"");
    EXPECT_EQ(store.GetSetting(kTestApp, "Sect", "text", ""), "Größe; \"quoted\"");
}

TEST_F(RealSettingsStore, DeleteSettingRemovesTheWholeAreaAndToleratesAMissingOne) {
    store.SaveSetting(kTestApp, "A", "k", "1");
    store.SaveSetting(kTestApp, "B", "k", "2");
    store.DeleteSetting(kTestApp);
    EXPECT_FALSE(
        reg.keyExists(RegRoot::CurrentUser, "Software\\VB and VBA Program Settings\\PlansweeperTestApp"));
    store.DeleteSetting(kTestApp);
    store.DeleteSetting("NeverThere");
    EXPECT_EQ(store.GetSetting(kTestApp, "A", "k", "gone"), "gone");
}

TEST_F(RealSettingsStore, RecordRoundTrip) {
    Settings s;
    s.Timeout = 900;
    s.DeleteDays = 100000;
    s.RestoreTime = 0;
    s.sSaveToFolder = "D:\\Converted";
    s.R[5] = "AutoCAD R2000 DWG";
    SaveSettings(store, s);
    store.SaveSetting(kSettingsApp, kSettingsSection, "Audit", "garbage");
    Settings back;
    back.Audit = -1;
    LoadFormSettings(store, reg, back);
    EXPECT_EQ(back.Timeout, 900);
    EXPECT_EQ(back.DeleteDays, 100000);
    EXPECT_EQ(back.RestoreTime, 0);
    EXPECT_EQ(back.sSaveToFolder, "D:\\Converted");
    EXPECT_EQ(back.R[5], "AutoCAD R2000 DWG");
    EXPECT_EQ(back.Audit, -1);
}

} // namespace
} // namespace ps
