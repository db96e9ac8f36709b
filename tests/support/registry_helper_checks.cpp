#include "support/registry_helper_checks.h"

#include "acad/registry_helpers.h"
#include "core/snapshot_registry.h"

#include <gtest/gtest.h>

namespace ps::test {

namespace {
constexpr auto kRoot = RegRoot::CurrentUser;
} // namespace

void CheckOpenRules(Registry& reg, const std::string& base) {
    const std::string missing = base + "\\Missing";
    EXPECT_EQ(ReadRegValue(reg, kRoot, missing, "x", std::string("d")), RegVariant(std::string("d")));
    EXPECT_EQ(ReadRegValue(reg, kRoot, base, "absent", std::int16_t{1}), RegVariant(std::int16_t{1}));
    EXPECT_TRUE(EnumRegSubkeys(reg, kRoot, missing).empty());
    EXPECT_FALSE(WriteRegValue(reg, kRoot, missing, "x", std::int32_t{1}));
    EXPECT_FALSE(WriteRegValue(reg, kRoot, missing, "nothing", RegVariant()));
    EXPECT_FALSE(reg.keyExists(kRoot, missing));
    // An empty variant writes nothing and says whether the key could be opened.
    EXPECT_TRUE(WriteRegValue(reg, kRoot, base, "nothing", RegVariant()));
    EXPECT_FALSE(reg.queryValue(kRoot, base, "nothing").has_value());
    EXPECT_TRUE(WriteRegValue(reg, kRoot, base, "", std::string("unnamed")));
    EXPECT_EQ(ReadRegValue(reg, kRoot, base + "\\", ""), RegVariant(std::string("unnamed")));
    std::string upper = base;
    for (char& c : upper)
        c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    EXPECT_EQ(ReadRegValue(reg, kRoot, upper, ""), RegVariant(std::string("unnamed")));
    EXPECT_EQ(ReadRegValue(reg, kRoot, base + "\\\\x", ""), RegVariant()); // an empty part is no key
}

void CheckEnumerationOrder(Registry& reg, const std::string& base) {
    for (const char* name : {"beta", "Alpha", "gamma", "ALPHA2", "R18.0", "R17.1", "R9"})
        ASSERT_TRUE(reg.createKey(kRoot, base + "\\" + name));
    EXPECT_EQ(EnumRegSubkeys(reg, kRoot, base),
              (std::vector<std::string>{"Alpha", "ALPHA2", "beta", "gamma", "R17.1", "R18.0", "R9"}));
}

void CheckCreateKeyValueAndDeleteKey(Registry& reg, const std::string& base) {
    const std::string shell = base + "\\dwgfile\\shell\\Plansweeper";
    CreateRegKeyValue(reg, kRoot, shell + "\\command", "", "\"C:\\P\\Plansweeper.exe\" \"%1\"");
    EXPECT_EQ(ReadRegValue(reg, kRoot, shell + "\\command", ""),
              RegVariant(std::string("\"C:\\P\\Plansweeper.exe\" \"%1\"")));
    DeleteRegKey(reg, kRoot, shell); // still has a subkey: stays
    EXPECT_TRUE(reg.keyExists(kRoot, shell + "\\command"));
    DeleteRegKey(reg, kRoot, shell + "\\command");
    DeleteRegKey(reg, kRoot, shell);
    EXPECT_FALSE(reg.keyExists(kRoot, shell));
    EXPECT_TRUE(reg.keyExists(kRoot, base + "\\dwgfile\\shell"));
}

void CheckSnapshotReads(Registry& reg, const std::string& base) {
    const std::string key = base + "\\Snapshot";
    CreateRegKeyValue(reg, kRoot, key, "Timeout", "300");
    ASSERT_TRUE(WriteRegValue(reg, kRoot, key, "n", std::int32_t{7}));
    ASSERT_TRUE(WriteRegValue(reg, kRoot, key, "", std::string("unnamed")));
    SnapshotRegistry snapshot(reg, {{kRoot, key}, {kRoot, key + "\\Missing"}});
    CreateRegKeyValue(reg, kRoot, key, "Timeout", "5"); // after the snapshot was taken
    EXPECT_EQ(ReadRegValue(snapshot, kRoot, key + "\\", "TIMEOUT"), RegVariant(std::string("300")));
    EXPECT_EQ(ReadRegValue(snapshot, kRoot, key, "n"), RegVariant(std::int32_t{7}));
    EXPECT_EQ(ReadRegValue(snapshot, kRoot, key, ""), RegVariant(std::string("unnamed")));
    EXPECT_FALSE(snapshot.keyExists(kRoot, key + "\\Missing"));
    EXPECT_TRUE(snapshot.keyExists(kRoot, base)); // not in the snapshot: read through
    EXPECT_TRUE(WriteRegValue(snapshot, kRoot, key, "other", std::string("x")));
    EXPECT_EQ(ReadRegValue(snapshot, kRoot, key, "Timeout"), RegVariant(std::string("5")));

    // Learning over a read-only registry: a key is read when first asked
    // about, later changes below are not seen, and writes fail.
    SnapshotRegistry learning{static_cast<const Registry&>(reg)};
    EXPECT_EQ(ReadRegValue(learning, kRoot, key, "Timeout"), RegVariant(std::string("5")));
    EXPECT_EQ(learning.subkeys(kRoot, base + "\\"), reg.subkeys(kRoot, base));
    CreateRegKeyValue(reg, kRoot, key, "Timeout", "6");
    ASSERT_TRUE(reg.createKey(kRoot, base + "\\Later"));
    EXPECT_EQ(ReadRegValue(learning, kRoot, key + "\\", "timeout"), RegVariant(std::string("5")));
    EXPECT_EQ(learning.subkeys(kRoot, base)->size() + 1, reg.subkeys(kRoot, base)->size());
    EXPECT_FALSE(learning.keyExists(kRoot, key + "\\Missing"));
    EXPECT_TRUE(learning.keyExists(kRoot, base + "\\Later")); // first asked about now
    EXPECT_FALSE(WriteRegValue(learning, kRoot, key, "Timeout", std::string("7")));
    EXPECT_EQ(ReadRegValue(reg, kRoot, key, "Timeout"), RegVariant(std::string("6")));
}

} // namespace ps::test
