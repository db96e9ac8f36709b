#include "settings/explorer_entry.h"
#include "settings/settings_form.h"

#include "core/memory_registry.h"

#include <gtest/gtest.h>

namespace ps {
namespace {

TEST(SettingsForm, FlagsWhoseAbsentValueIsMinusOneAreTickedOnlyByIt) {
    EXPECT_TRUE(TickedFromStored("OnTop", "-1"));
    EXPECT_FALSE(TickedFromStored("OnTop", "1"));
    EXPECT_TRUE(TickedFromStored("PurgeAll", "1"));
    EXPECT_FALSE(TickedFromStored("PurgeAll", "abc"));
}

TEST(SettingsForm, LeavingABoxChecksItsRuleWithTheExactMessage) {
    EXPECT_TRUE(CheckBox(FormBox::Timeout, "100000").ok);
    EXPECT_EQ(CheckBox(FormBox::Timeout, "1e3").message, "Please insert a number between 0 and 100000 .");
    EXPECT_FALSE(CheckBox(FormBox::PurgeTimes, "2.5").ok);
    EXPECT_FALSE(CheckBox(FormBox::DeleteDays, "-1").ok);
    EXPECT_TRUE(CheckBox(FormBox::DeleteDays, "40000").ok); // beyond 16 bits, within the field
    EXPECT_EQ(CheckBox(FormBox::ISavePercent, "101").message, "Please insert a number between 0 and 100");
    auto folders = [](std::string_view path) {
        return path == "C:\\Out\\";
    };
    const BoxCheck folder = CheckBox(FormBox::SaveToFolder, "C:\\Out\\\\", +folders);
    EXPECT_TRUE(folder.ok); // one trailing backslash goes, one stays
    EXPECT_EQ(folder.text, "C:\\Out\\");
    EXPECT_EQ(CheckBox(FormBox::SaveToFolder, "C:\\Nowhere\\", +folders).message,
              "This folder is not valid!");
    EXPECT_TRUE(CheckBox(FormBox::ScriptFile, "").ok);
}

// Every check of a value outside the dialog (--set, the stored and policy
// values before a run) holds the key table's range, and a run's drawings at
// once too.
TEST(SettingsForm, ValuesAreCheckedAgainstTheKeyTablesRanges) {
    for (const auto& key : RunSettingKeys()) {
        if (!key.range.limited())
            continue;
        SCOPED_TRACE(std::string(key.name));
        EXPECT_EQ(CheckSettingValue(key.name, std::to_string(key.range.high)), std::nullopt);
        EXPECT_NE(CheckSettingValue(key.name, std::to_string(key.range.high + 1)), std::nullopt);
        if (key.range.also != std::to_string(key.range.low - 1)) {
            EXPECT_NE(CheckSettingValue(key.name, std::to_string(key.range.low - 1)), std::nullopt);
        }
    }
    EXPECT_EQ(CheckSettingValue("ISAVEPERCENT", "-1"), std::nullopt); // don't change
    EXPECT_EQ(DrawingsAtOnce(1000), RangeOf("Parallel").high);
    EXPECT_EQ(DrawingsAtOnce(0), 1);
}

// The entry is written per user, once per file type, and names the program
// itself when App Paths does not know it.
TEST(ExplorerEntry, CreateTwiceThenDelete) {
    MemoryRegistry reg;
    reg.putString(RegRoot::ClassesRoot, ".dwg", "", "AutoCAD.Drawing");
    reg.putString(RegRoot::ClassesRoot, ".dxf", "", "AutoCAD.Drawing");
    const std::string program =
        ProgramPathForExplorer(reg, "C:\\Program Files\\Plansweeper\\Plansweeper.exe");
    EXPECT_TRUE(CreateExplorerEntry(reg, "C:\\old.exe"));
    EXPECT_TRUE(CreateExplorerEntry(reg, program));
    const std::string command = "Software\\Classes\\AutoCAD.Drawing\\shell\\Plansweeper\\Command";
    const auto value = reg.queryValue(RegRoot::CurrentUser, command, "");
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(std::string(value->data.begin(), value->data.end() - 1),
              "\"C:\\Program Files\\Plansweeper\\Plansweeper.exe\" /nologo \"%1\"");
    EXPECT_TRUE(DeleteExplorerEntry(reg));
    EXPECT_FALSE(
        reg.keyExists(RegRoot::CurrentUser, "Software\\Classes\\AutoCAD.Drawing\\shell\\Plansweeper"));
}

TEST(ExplorerEntry, AnEntryWhoseProgramIsGoneIsRemovedAtTheNextStart) {
    MemoryRegistry reg;
    reg.putString(RegRoot::ClassesRoot, ".dwg", "", "AutoCAD.Drawing");
    const std::string machineVerb = "AutoCAD.Drawing\\shell\\Plansweeper\\Command";
    reg.putString(RegRoot::ClassesRoot, machineVerb, "",
                  "\"C:\\Program Files\\Plansweeper\\Plansweeper.exe\" /nologo \"%1\"");
    ASSERT_TRUE(CreateExplorerEntry(reg, "D:\\Old copy\\Plansweeper.exe"));
    std::string asked;
    const auto exists = [&](std::string_view path) {
        asked = path;
        return path != "D:\\Old copy\\Plansweeper.exe";
    };
    EXPECT_TRUE(RemoveStaleExplorerEntry(reg, exists));
    EXPECT_EQ(asked, "D:\\Old copy\\Plansweeper.exe");
    EXPECT_FALSE(ExplorerEntryExists(reg));
    EXPECT_TRUE(reg.keyExists(RegRoot::ClassesRoot, machineVerb)); // the machine's entry stays
    ASSERT_TRUE(CreateExplorerEntry(reg, "C:\\Plansweeper\\Plansweeper.exe"));
    EXPECT_FALSE(RemoveStaleExplorerEntry(reg, exists)); // a program that is there keeps its entry
    EXPECT_TRUE(ExplorerEntryExists(reg));
}

} // namespace
} // namespace ps
