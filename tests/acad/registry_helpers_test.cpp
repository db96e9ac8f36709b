#include "acad/registry_helpers.h"

#include "core/memory_registry.h"

#include <gtest/gtest.h>

namespace ps {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr auto kRoot = RegRoot::CurrentUser;
constexpr const char* kKey = "Software\\Test";

class RegistryHelpers : public testing::Test {
protected:
    void SetUp() override { reg.createKey(kRoot, kKey); }
    void putRaw(const char* name, std::uint32_t type, Bytes data) {
        reg.put(kRoot, kKey, name, {type, data});
    }
    RegVariant read(const char* name, const RegVariant& def = {}) {
        return ReadRegValue(reg, kRoot, kKey, name, def);
    }
    MemoryRegistry reg;
};

TEST_F(RegistryHelpers, StringTypesDropTheirTerminators) {
    putRaw("sz", kRegSz, {'a', 'b', 0});
    putRaw("expand", kRegExpandSz, {'%', 'T', '%', 0});
    putRaw("multi", kRegMultiSz, {'a', 0, 'b', 0, 0});
    EXPECT_EQ(read("sz"), RegVariant(std::string("ab")));
    EXPECT_EQ(read("expand"), RegVariant(std::string("%T%"))); // not expanded
    EXPECT_EQ(read("multi"), RegVariant(std::string("a\0b", 3)));
}

TEST_F(RegistryHelpers, EmptyOrUnterminatedStringsReadAsWhatTheyHold) {
    putRaw("empty", kRegSz, {});
    putRaw("noTerminator", kRegSz, {'x', 'y'});
    putRaw("emptyMulti", kRegMultiSz, {});
    EXPECT_EQ(read("empty", 7), RegVariant(std::string()));
    EXPECT_EQ(read("noTerminator"), RegVariant(std::string("xy")));
    EXPECT_EQ(read("emptyMulti"), RegVariant(std::string()));
}

TEST_F(RegistryHelpers, NumbersBytesAndUnhandledTypes) {
    reg.putDword(kRoot, kKey, "dword", 0xFFFFFFFFu);
    putRaw("bin", kRegBinary, {1, 2, 0, 255});
    putRaw("qword", 11, {1, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(read("dword"), RegVariant(std::int32_t{-1}));
    EXPECT_EQ(read("bin"), RegVariant(Bytes{1, 2, 0, 255}));
    EXPECT_EQ(read("qword", std::int16_t{1}), RegVariant(std::int16_t{1}));
    EXPECT_EQ(read("qword"), RegVariant());
}

TEST_F(RegistryHelpers, MissingKeysAndValuesGiveTheDefault) {
    EXPECT_EQ(read("absent"), RegVariant());
    EXPECT_EQ(read("absent", std::int16_t{1}), RegVariant(std::int16_t{1}));
    EXPECT_EQ(ReadRegValue(reg, kRoot, "Software\\Missing", "x", std::string("d")),
              RegVariant(std::string("d")));
}

TEST_F(RegistryHelpers, UnnamedDefaultValueIsTheEmptyName) {
    reg.putString(kRoot, kKey, "", "default text");
    EXPECT_EQ(read(""), RegVariant(std::string("default text")));
}

TEST_F(RegistryHelpers, WritesByVariantType) {
    EXPECT_TRUE(WriteRegValue(reg, kRoot, kKey, "i16", std::int16_t{-1}));
    EXPECT_TRUE(WriteRegValue(reg, kRoot, kKey, "i32", std::int32_t{70000}));
    EXPECT_TRUE(WriteRegValue(reg, kRoot, kKey, "s", std::string("text")));
    EXPECT_TRUE(WriteRegValue(reg, kRoot, kKey, "b", Bytes{9, 8}));
    EXPECT_EQ(reg.queryValue(kRoot, kKey, "i16"), (RawRegValue{kRegDword, {0xFF, 0xFF, 0xFF, 0xFF}}));
    EXPECT_EQ(reg.queryValue(kRoot, kKey, "i32"), (RawRegValue{kRegDword, {0x70, 0x11, 0x01, 0x00}}));
    EXPECT_EQ(reg.queryValue(kRoot, kKey, "s"), (RawRegValue{kRegSz, {'t', 'e', 'x', 't', 0}}));
    EXPECT_EQ(reg.queryValue(kRoot, kKey, "b"), (RawRegValue{kRegBinary, {9, 8}}));
    EXPECT_EQ(read("s"), RegVariant(std::string("text"))); // round trip
}

TEST_F(RegistryHelpers, WritesNeverCreateKeys) {
    EXPECT_FALSE(WriteRegValue(reg, kRoot, "Software\\Missing", "x", std::int32_t{1}));
    EXPECT_FALSE(reg.keyExists(kRoot, "Software\\Missing"));
    // An empty variant writes nothing and reports whether the key could be opened.
    EXPECT_TRUE(WriteRegValue(reg, kRoot, kKey, "nothing", RegVariant()));
    EXPECT_FALSE(reg.queryValue(kRoot, kKey, "nothing").has_value());
    EXPECT_FALSE(WriteRegValue(reg, kRoot, "Software\\Missing", "nothing", RegVariant()));
}

TEST_F(RegistryHelpers, EnumeratesInRegistryOrder) {
    for (const char* name : {"beta", "Alpha", "gamma", "ALPHA2"})
        reg.createKey(kRoot, std::string(kKey) + "\\" + name);
    EXPECT_EQ(EnumRegSubkeys(reg, kRoot, kKey),
              (std::vector<std::string>{"Alpha", "ALPHA2", "beta", "gamma"}));
    EXPECT_TRUE(EnumRegSubkeys(reg, kRoot, "Software\\Missing").empty());
    EXPECT_EQ(EnumRegSubkeys(reg, kRoot, ""), std::vector<std::string>{"Software"});
}

TEST_F(RegistryHelpers, CreateKeyValueAndDeleteKey) {
    CreateRegKeyValue(reg, RegRoot::ClassesRoot, "dwgfile\\shell\\Plansweeper\\command", "",
                      "\"C:\\p.exe\" \"%1\"");
    EXPECT_EQ(ReadRegValue(reg, RegRoot::ClassesRoot, "dwgfile\\shell\\Plansweeper\\command", ""),
              RegVariant(std::string("\"C:\\p.exe\" \"%1\"")));
    DeleteRegKey(reg, RegRoot::ClassesRoot, "dwgfile\\shell\\Plansweeper"); // has a subkey: stays
    EXPECT_TRUE(reg.keyExists(RegRoot::ClassesRoot, "dwgfile\\shell\\Plansweeper\\command"));
    DeleteRegKey(reg, RegRoot::ClassesRoot, "dwgfile\\shell\\Plansweeper\\command");
    DeleteRegKey(reg, RegRoot::ClassesRoot, "dwgfile\\shell\\Plansweeper");
    EXPECT_FALSE(reg.keyExists(RegRoot::ClassesRoot, "dwgfile\\shell\\Plansweeper"));
    EXPECT_TRUE(reg.keyExists(RegRoot::ClassesRoot, "dwgfile\\shell"));
}

TEST_F(RegistryHelpers, NamesCompareWithoutCaseAndPathsToleratesATrailingSeparator) {
    reg.putString(kRoot, kKey, "Value", "v");
    EXPECT_EQ(ReadRegValue(reg, kRoot, "SOFTWARE\\test\\", "VALUE"), RegVariant(std::string("v")));
    EXPECT_EQ(ReadRegValue(reg, kRoot, "Software\\\\Test", "Value"), RegVariant());
}

TEST(RegText, RendersEveryVariant) {
    EXPECT_EQ(RegText(RegVariant()), "");
    EXPECT_EQ(RegText(std::int16_t{-3}), "-3");
    EXPECT_EQ(RegText(std::int32_t{42}), "42");
    EXPECT_EQ(RegText(std::string("x")), "x");
}

} // namespace
} // namespace ps
