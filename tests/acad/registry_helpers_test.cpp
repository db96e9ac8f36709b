#include "acad/registry_helpers.h"

#include "core/memory_registry.h"
#include "support/registry_helper_checks.h"

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

// The rules both registries follow (support/registry_helper_checks).
TEST_F(RegistryHelpers, OpenRulesEnumerationAndKeyLifetime) {
    test::CheckOpenRules(reg, kKey);
    test::CheckEnumerationOrder(reg, std::string(kKey) + "\\Order");
    test::CheckCreateKeyValueAndDeleteKey(reg, kKey);
    test::CheckSnapshotReads(reg, kKey);
}

TEST(RegText, RendersEveryVariant) {
    EXPECT_EQ(RegText(RegVariant()), "");
    EXPECT_EQ(RegText(std::int16_t{-3}), "-3");
    EXPECT_EQ(RegText(std::int32_t{42}), "42");
    EXPECT_EQ(RegText(std::string("x")), "x");
}

} // namespace
} // namespace ps
