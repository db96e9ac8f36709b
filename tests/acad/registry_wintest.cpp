// The registry helpers and the product lookups against the real Windows
// registry (Wine's, in the build's own prefix).
#include "acad/products.h"
#include "acad/registry_helpers.h"
#include "acad/releases.h"
#include "platform/handles.h"
#include "platform/win_registry.h"
#include "support/product_lookup_checks.h"
#include "support/registry_helper_checks.h"
#include "support/registry_fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include <windows.h>

namespace ps {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr auto kRoot = RegRoot::CurrentUser;
constexpr const char* kKey = "Software\\PlansweeperTests\\Helpers";

class RealRegistry : public testing::Test {
protected:
    void SetUp() override {
        DeleteRegTree(reg, kRoot, "Software\\PlansweeperTests");
        ASSERT_TRUE(reg.createKey(kRoot, kKey));
    }
    void TearDown() override { DeleteRegTree(reg, kRoot, "Software\\PlansweeperTests"); }

    // Writes raw bytes with the Unicode API, as other programs do.
    void setRaw(const wchar_t* name, DWORD type, const void* data, DWORD size) {
        UniqueRegKey key;
        ASSERT_EQ(
            RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\PlansweeperTests\\Helpers", 0, KEY_WRITE, key.put()),
            ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data), size),
                  ERROR_SUCCESS);
    }
    RegVariant read(const char* name, const RegVariant& def = {}) {
        return ReadRegValue(reg, kRoot, kKey, name, def);
    }

    WinRegistry reg;
};

TEST_F(RealRegistry, RoundTripsOfEveryHandledType) {
    EXPECT_TRUE(WriteRegValue(reg, kRoot, kKey, "sz", std::string("C:\\Program Files\\AutoCAD 2010")));
    EXPECT_TRUE(WriteRegValue(reg, kRoot, kKey, "dword", std::int32_t{-2}));
    EXPECT_TRUE(WriteRegValue(reg, kRoot, kKey, "word", std::int16_t{1}));
    EXPECT_TRUE(WriteRegValue(reg, kRoot, kKey, "bin", Bytes{0, 1, 2, 254, 255}));
    EXPECT_EQ(read("sz"), RegVariant(std::string("C:\\Program Files\\AutoCAD 2010")));
    EXPECT_EQ(read("dword"), RegVariant(std::int32_t{-2}));
    EXPECT_EQ(read("word"), RegVariant(std::int32_t{1})); // stored as REG_DWORD
    EXPECT_EQ(read("bin"), RegVariant(Bytes{0, 1, 2, 254, 255}));

    const wchar_t expand[] = L"%TEMP%\\purge";
    setRaw(L"expand", REG_EXPAND_SZ, expand, sizeof(expand));
    EXPECT_EQ(read("expand"), RegVariant(std::string("%TEMP%\\purge")));
    const wchar_t multi[] = L"one\0two\0"; // plus the literal's own terminator
    setRaw(L"multi", REG_MULTI_SZ, multi, sizeof(multi));
    EXPECT_EQ(read("multi"), RegVariant(std::string("one\0two", 7)));

    // The raw types are the registry's own.
    EXPECT_EQ(reg.queryValue(kRoot, kKey, "sz")->type, kRegSz);
    EXPECT_EQ(reg.queryValue(kRoot, kKey, "dword")->type, kRegDword);
    EXPECT_EQ(reg.queryValue(kRoot, kKey, "bin")->type, kRegBinary);
}

TEST_F(RealRegistry, EmptyStringValueReadsAsEmptyString) {
    setRaw(L"zero", REG_SZ, nullptr, 0);
    EXPECT_EQ(read("zero", std::int16_t{5}), RegVariant(std::string()));
    setRaw(L"nul", REG_SZ, L"", sizeof(wchar_t));
    EXPECT_EQ(read("nul"), RegVariant(std::string()));
}

TEST_F(RealRegistry, ValuesLongerThanTheFirstBuffer) {
    std::string text;
    for (int i = 0; i < 700; ++i)
        text += static_cast<char>('a' + i % 26);
    EXPECT_TRUE(WriteRegValue(reg, kRoot, kKey, "long", text)); // 1402 bytes as UTF-16
    EXPECT_EQ(read("long"), RegVariant(text));
    Bytes big(5000);
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<std::uint8_t>(i * 7);
    EXPECT_TRUE(WriteRegValue(reg, kRoot, kKey, "big", big));
    EXPECT_EQ(read("big"), RegVariant(big));
}

TEST_F(RealRegistry, NonAsciiNamesAndTextSurviveTheRoundTrip) {
    const std::string key = std::string(kKey) + "\\Zeichnungen Ü";
    ASSERT_TRUE(reg.createKey(kRoot, key));
    EXPECT_TRUE(WriteRegValue(reg, kRoot, key, "Größe", std::string("Straße €")));
    EXPECT_EQ(ReadRegValue(reg, kRoot, key, "GRÖSSE"), RegVariant()); // different name
    EXPECT_EQ(ReadRegValue(reg, kRoot, key, "Größe"), RegVariant(std::string("Straße €")));
    EXPECT_EQ(EnumRegSubkeys(reg, kRoot, kKey), std::vector<std::string>{"Zeichnungen Ü"});
}

// The rules both registries follow (support/registry_helper_checks).
TEST_F(RealRegistry, OpenRulesEnumerationAndKeyLifetime) {
    test::CheckOpenRules(reg, kKey);
    test::CheckEnumerationOrder(reg, std::string(kKey) + "\\Order");
    test::CheckCreateKeyValueAndDeleteKey(reg, kKey);
    test::CheckSnapshotReads(reg, kKey);
    EXPECT_FALSE(EnumRegSubkeys(reg, RegRoot::LocalMachine, "").empty());
}

class RealProductTree : public testing::Test {
protected:
    void SetUp() override {
        clean();
        test::WriteSampleProducts(reg);
    }
    void TearDown() override { clean(); }
    void clean() {
        DeleteRegTree(reg, RegRoot::LocalMachine, "Software\\Autodesk");
        DeleteRegTree(reg, RegRoot::LocalMachine32, "Software\\Autodesk");
        DeleteRegTree(reg, RegRoot::CurrentUser, "Software\\Autodesk");
    }
    WinRegistry reg;
};

TEST_F(RealProductTree, Lookups) {
    test::CheckSampleLookups(reg);
}

TEST_F(RealProductTree, Writers) {
    test::CheckSampleWriters(reg);
}

// A 32-bit AutoCAD LT registered by Windows' own tool in the 32-bit view is
// listed beside the 64-bit view's products and made current in its view.
TEST_F(RealProductTree, A32BitProductIsSeenAndMadeCurrentInItsView) {
    const std::wstring key = L"HKLM\\Software\\Autodesk\\AutoCAD LT\\R15\\ACADLT-8001:409";
    ASSERT_EQ(
        _wsystem((L"reg add \"" + key + L"\" /v ProductName /d \"AutoCAD LT 2009\" /f /reg:32").c_str()), 0);
    ASSERT_EQ(_wsystem((L"reg add \"" + key + L"\" /v Location /d C:\\LT2009 /f /reg:32").c_str()), 0);
    EXPECT_FALSE(reg.keyExists(RegRoot::LocalMachine, "Software\\Autodesk\\AutoCAD LT\\R15"));
    const auto names = AcadAllProductNames(reg);
    EXPECT_EQ(std::count(names.begin(), names.end(), "AutoCAD LT 2009"), 1);
    EXPECT_EQ(std::count(names.begin(), names.end(), "AutoCAD 2010"), 1);
    EXPECT_EQ(AcadExePath(reg, "AutoCAD LT 2009"), "C:\\LT2009\\acadlt.exe");
    ASSERT_TRUE(MakeProductCurrent(reg, "AutoCAD LT 2009"));
    EXPECT_EQ(RegText(ReadRegValue(reg, RegRoot::LocalMachine32, "Software\\Autodesk", "CurProd")),
              "AutoCAD LT");
    EXPECT_EQ(AcadCurrentProductName(reg), "AutoCAD 2007"); // the 64-bit view's pointers are untouched
}

// One product of each current family, written as their installers write
// them: AutoCAD 2017 (2013 format) in the 64-bit view, AutoCAD LT 2019
// (2018 format) in the 32-bit view, each with its profiles for the user.
TEST_F(RealProductTree, ProductsOfTheCurrentFamiliesAreListedWithExecutableAndProfiles) {
    struct Product {
        RegRoot view;
        const char *type, *release, *key, *name, *location, *exe;
        ReleaseFamily family;
    };
    const Product products[] = {
        {RegRoot::LocalMachine, "AutoCAD", "R21.0", "ACAD-0001:409", "AutoCAD 2017", "C:\\Acad2017",
         "C:\\Acad2017\\acad.exe", ReleaseFamily::R19},
        {RegRoot::LocalMachine32, "AutoCAD LT", "R25", "ACADLT-2009:409", "AutoCAD LT 2019", "C:\\LT2019",
         "C:\\LT2019\\aclt.exe", ReleaseFamily::R22},
    };
    for (const auto& p : products) {
        SCOPED_TRACE(p.name);
        const std::string key = ProductKeyPath(p.type, p.release, p.key);
        CreateRegKeyValue(reg, p.view, key, "ProductName", p.name);
        CreateRegKeyValue(reg, p.view, key,
                          std::string(p.type) == "AutoCAD" ? "AcadLocation" : "ACLTLocation", p.location);
        std::string profiles = ProfilesKeyPath(p.type, p.release, p.key);
        CreateRegKeyValue(reg, RegRoot::CurrentUser, profiles + "Office", "", "");
        profiles.pop_back();
        CreateRegKeyValue(reg, RegRoot::CurrentUser, profiles, "", "Office");
    }
    const auto names = AcadAllProductNames(reg);
    for (const auto& p : products) {
        SCOPED_TRACE(p.name);
        EXPECT_EQ(std::count(names.begin(), names.end(), p.name), 1);
        EXPECT_EQ(AcadExePath(reg, p.name), p.exe);
        EXPECT_EQ(AcadProfiles(reg, p.type, p.release, p.key), std::vector<std::string>{"Office"});
        EXPECT_EQ(ProductFamily(AcadReleaseKey(reg, p.name)), p.family);
    }
}

} // namespace
} // namespace ps
