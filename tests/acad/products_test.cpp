#include "acad/products.h"

#include "core/memory_registry.h"
#include "support/product_lookup_checks.h"
#include "support/registry_fixtures.h"

#include <gtest/gtest.h>

namespace ps {
namespace {

constexpr auto kHklm = RegRoot::LocalMachine;

class Products : public testing::Test {
protected:
    void SetUp() override { test::WriteSampleProducts(reg); }
    void addProduct(const std::string& type, const std::string& release, const std::string& key,
                    const std::string& name, const std::string& valueName, const std::string& folder) {
        const std::string path = "Software\\Autodesk\\" + type + "\\" + release + "\\" + key;
        reg.createKey(kHklm, path);
        if (!name.empty())
            reg.putString(kHklm, path, "ProductName", name);
        if (!valueName.empty())
            reg.putString(kHklm, path, valueName, folder);
    }
    MemoryRegistry reg;
};

TEST_F(Products, SampleTreeLookups) {
    test::CheckSampleLookups(reg);
}

TEST_F(Products, SampleTreeWriters) {
    test::CheckSampleWriters(reg);
}

TEST_F(Products, SameNameTwiceTakesKeysFromTheFirstPairAndTheExecutableFromTheLast) {
    addProduct("AutoCAD", "R16.2", "ACAD-301:409", "Twin", "AcadLocation", "C:\\First");
    addProduct("AutoCAD", "R16.0", "ACAD-201:409", "Twin", "AcadLocation", "C:\\Second");
    addProduct("AutoCAD", "R16.1", "ACAD-201:409", "Twin", "AcadLocation", "C:\\Third");
    // Registry order: R16.0, R16.1, R16.2, R17.1, R18.0.
    EXPECT_EQ(AcadReleaseKey(reg, "twin"), "R16.0");
    EXPECT_EQ(AcadProductKey(reg, "twin"), "ACAD-201:409");
    EXPECT_EQ(AcadProductType(reg, "twin"), "AutoCAD");
    EXPECT_EQ(AcadExePath(reg, "Twin"), "C:\\First\\acad.exe");
    // Listed once per pair: product key ACAD-201:409 occurs under two releases,
    // so each release holding it pairs with it twice.
    EXPECT_EQ(AcadAllProductNames(reg),
              (std::vector<std::string>{"Twin", "Twin", "Twin", "Twin", "Twin", "AutoCAD 2007",
                                        "AutoCAD 2010", "AutoCAD LT 2008"}));
}

TEST_F(Products, AutoCadLtExecutableNameDependsOnTheYearInTheName) {
    addProduct("AutoCAD LT", "R12", "ACADLT-5001:409", "AutoCAD LT 2006", "ACLTLocation", "C:\\LT2006");
    addProduct("AutoCAD LT", "R13", "ACADLT-6001:409", "AutoCAD LT 2007", "ACLTLocation", "C:\\LT2007");
    addProduct("AutoCAD LT", "R15", "ACADLT-8001:409", "AutoCAD LT 2009", "Location", "C:\\LT2009");
    addProduct("AutoCAD LT", "R16", "ACADLT-9001:409", "AutoCAD LT 2010", "ACLTLocation", "C:\\LT2010");
    EXPECT_EQ(AcadExePath(reg, "AutoCAD LT 2006"), "C:\\LT2006\\aclt.exe");
    EXPECT_EQ(AcadExePath(reg, "AutoCAD LT 2007"), "C:\\LT2007\\acadlt.exe");
    EXPECT_EQ(AcadExePath(reg, "AutoCAD LT 2009"), "C:\\LT2009\\acadlt.exe");
    EXPECT_EQ(AcadExePath(reg, "AutoCAD LT 2010"), "C:\\LT2010\\aclt.exe");
}

TEST_F(Products, LocationFallbacksAndMissingFolder) {
    addProduct("AutoCAD", "R16.0", "ACAD-201:409", "Lt Located", "ACLTLocation", "C:\\ViaAclt");
    addProduct("AutoCAD", "R16.1", "ACAD-301:409", "Nowhere", "AcadLocation", "");
    EXPECT_EQ(AcadExePath(reg, "Lt Located"), "C:\\ViaAclt\\acad.exe");
    EXPECT_EQ(AcadExePath(reg, "Nowhere"), "");
    EXPECT_EQ(AcadReleaseKey(reg, "Nowhere"), "R16.1"); // known, but without an executable
}

TEST_F(Products, EmptyNameMatchesTheFirstPairWithoutProductName) {
    // Pairs are formed across releases, so R17.1 with the product key of R18.0
    // is read too; it has no ProductName and matches the empty name.
    EXPECT_EQ(AcadProductType(reg, ""), "AutoCAD");
    EXPECT_EQ(AcadReleaseKey(reg, ""), "R17.1");
    EXPECT_EQ(AcadProductKey(reg, ""), "ACAD-8001:409");
}

TEST_F(Products, ReleaseKeysReadInUpperCaseProductKeysInRegistryCase) {
    addProduct("AutoCAD", "r16.0", "Acad-201:409", "Lower", "AcadLocation", "C:\\Lower");
    EXPECT_EQ(AcadReleaseKey(reg, "lower"), "R16.0");
    EXPECT_EQ(AcadProductKey(reg, "lower"), "Acad-201:409");
    reg.putString(kHklm, "Software\\Autodesk\\AutoCAD", "CurVer", "r17.1");
    EXPECT_EQ(AcadCurRelease(reg), "R17.1");
}

TEST_F(Products, WritersRefuseWhatIsNotInstalled) {
    DeleteRegTree(reg, kHklm, "Software\\Autodesk\\AutoCAD LT");
    EXPECT_FALSE(SetAcadCurProd(reg, "AutoCAD LT"));
    EXPECT_FALSE(SetAcadCurProd(reg, "Something"));
    EXPECT_EQ(AcadCurProd(reg), "AutoCAD");
    EXPECT_FALSE(SetAcadCurProductKey(reg, "ACADLT-7001:409"));
    EXPECT_EQ(AcadCurProductKey(reg), "ACAD-6001:409");
}

TEST_F(Products, WritersFailQuietlyWithoutAdministratorRights) {
    reg.setReadOnly(kHklm, true);
    EXPECT_FALSE(SetAcadCurProd(reg, "AutoCAD LT"));
    EXPECT_FALSE(SetAcadCurRelease(reg, "R18.0"));
    EXPECT_FALSE(SetAcadCurProductKey(reg, "ACAD-8001:409"));
    EXPECT_EQ(AcadCurrentProductName(reg), "AutoCAD 2007");
    EXPECT_TRUE(SetAcadCurrentProfile(reg, "plotting")); // HKCU stays writable
    EXPECT_EQ(AcadCurrentProfile(reg), "Plotting");
}

// A 32-bit product on 64-bit Windows lives in HKLM's 32-bit view: listed
// after the 64-bit view's products, found by name, made current in its own
// view. A pair both views show (Windows with one view) is listed once.
TEST_F(Products, The32BitViewIsReadAndWrittenInItsOwnView) {
    const auto view32 = RegRoot::LocalMachine32;
    const std::string lt = "Software\\Autodesk\\AutoCAD LT\\R15\\ACADLT-8001:409";
    reg.putString(view32, lt, "ProductName", "AutoCAD LT 2009");
    reg.putString(view32, lt, "Location", "C:\\LT2009");
    reg.putString(view32, "Software\\Autodesk\\AutoCAD\\R17.1\\ACAD-6001:409", "ProductName", "AutoCAD 2007");
    reg.createKey(RegRoot::CurrentUser, lt + "\\Profiles\\Draft");
    EXPECT_EQ(AcadAllProductNames(reg), (std::vector<std::string>{"AutoCAD 2007", "AutoCAD 2010",
                                                                  "AutoCAD LT 2008", "AutoCAD LT 2009"}));
    EXPECT_EQ(AcadExePath(reg, "AutoCAD LT 2009"), "C:\\LT2009\\acadlt.exe");

    ASSERT_TRUE(MakeProductCurrent(reg, "autocad lt 2009"));
    EXPECT_EQ(reg.queryValue(view32, "Software\\Autodesk", "CurProd"), RegSzValue("AutoCAD LT"));
    EXPECT_EQ(reg.queryValue(view32, "Software\\Autodesk\\AutoCAD LT\\R15", "CurVer"),
              RegSzValue("ACADLT-8001:409"));
    EXPECT_EQ(AcadCurrentProductName(reg), "AutoCAD 2007"); // the 64-bit view's pointers come first
    EXPECT_TRUE(SetAcadProductProfile(reg, "AutoCAD LT 2009", "draft"));
    EXPECT_EQ(AcadProductProfile(reg, "AutoCAD LT 2009"), "Draft");

    DeleteRegTree(reg, kHklm, "Software\\Autodesk");
    EXPECT_EQ(AcadCurrentProductName(reg), "AutoCAD LT 2009");
    EXPECT_EQ(AcadCurrentProfile(reg), "Draft");
}

TEST(ProductsEmptyRegistry, EverythingIsEmpty) {
    MemoryRegistry reg;
    EXPECT_EQ(AcadCurProd(reg), "");
    EXPECT_EQ(AcadCurrentProductName(reg), "");
    EXPECT_EQ(AcadCurrentExePath(reg), "");
    EXPECT_TRUE(AcadAllProductNames(reg).empty());
    EXPECT_EQ(AcadProductType(reg, ""), "");
    EXPECT_EQ(AcadCurrentProfile(reg), "");
    EXPECT_TRUE(AcadCurrentProfiles(reg).empty());
    EXPECT_FALSE(SetAcadCurProd(reg, "AutoCAD"));
    EXPECT_FALSE(SetAcadCurRelease(reg, "R18.0"));
    EXPECT_FALSE(SetAcadCurrentProfile(reg, ""));
    EXPECT_FALSE(reg.keyExists(kHklm, "Software\\Autodesk"));
}

} // namespace
} // namespace ps
