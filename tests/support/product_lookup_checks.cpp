#include "support/product_lookup_checks.h"

#include "acad/products.h"

#include <gtest/gtest.h>

namespace ps::test {

using Names = std::vector<std::string>;

void CheckSampleLookups(const Registry& reg) {
    EXPECT_EQ(AcadCurProd(reg), "AutoCAD");
    EXPECT_EQ(AcadCurRelease(reg), "R17.1");
    EXPECT_EQ(AcadCurProductKey(reg), "ACAD-6001:409");
    EXPECT_EQ(AcadCurrentProductName(reg), "AutoCAD 2007");
    EXPECT_EQ(AcadCurrentExePath(reg), "C:\\Program Files\\AutoCAD 2007\\acad.exe");

    EXPECT_EQ(AcadReleaseKeys(reg, ProductTypes::AutoCad), (Names{"R17.1", "R18.0"}));
    EXPECT_EQ(AcadReleaseKeys(reg, ProductTypes::AutoCadLt), (Names{"R14"}));
    EXPECT_EQ(AcadProductKeys(reg, ProductTypes::Both),
              (Names{"ACAD-6001:409", "ACAD-8001:409", "ACADLT-7001:409"}));
    EXPECT_EQ(AcadProductKeys(reg, ProductTypes::AutoCadLt), (Names{"ACADLT-7001:409"}));
    EXPECT_EQ(AcadAllProductNames(reg), (Names{"AutoCAD 2007", "AutoCAD 2010", "AutoCAD LT 2008"}));

    EXPECT_EQ(AcadProductType(reg, "autocad 2010"), "AutoCAD");
    EXPECT_EQ(AcadReleaseKey(reg, "AutoCAD 2010"), "R18.0");
    EXPECT_EQ(AcadProductKey(reg, "AUTOCAD 2010"), "ACAD-8001:409");
    EXPECT_EQ(AcadProductType(reg, "AutoCAD LT 2008"), "AutoCAD LT");
    EXPECT_EQ(AcadReleaseKey(reg, "AutoCAD LT 2008"), "R14");
    EXPECT_EQ(AcadProductKey(reg, "AutoCAD LT 2008"), "ACADLT-7001:409");
    EXPECT_EQ(AcadProductType(reg, "AutoCAD 2099"), "");
    EXPECT_EQ(AcadReleaseKey(reg, "AutoCAD 2099"), "");
    EXPECT_EQ(AcadProductKey(reg, "AutoCAD 2099"), "");

    // "Location" stands in for an empty "AcadLocation"; LT 2007..2009 run acadlt.exe.
    EXPECT_EQ(AcadExePath(reg, "AutoCAD 2010"), "C:\\Program Files\\AutoCAD 2010\\acad.exe");
    EXPECT_EQ(AcadExePath(reg, "AutoCAD LT 2008"), "C:\\Program Files\\AutoCAD LT 2008\\acadlt.exe");
    EXPECT_EQ(AcadExePath(reg, "AutoCAD 2099"), "");

    EXPECT_EQ(AcadCurrentProfile(reg), "<<Unnamed Profile>>");
    EXPECT_EQ(AcadCurrentProfiles(reg), (Names{"<<Unnamed Profile>>", "Plotting"}));
    EXPECT_EQ(AcadProfileOf(reg, "AutoCAD", "R18.0", "ACAD-8001:409"), "Arch");
    EXPECT_EQ(AcadProfiles(reg, "AutoCAD", "R18.0", "ACAD-8001:409"), (Names{"Arch"}));
    EXPECT_EQ(AcadProfiles(reg, "AutoCAD", "R18.0", "ACAD-9999:409"), Names{});
}

void CheckSampleWriters(Registry& reg) {
    // The current product becomes AutoCAD LT only because its type has a CurVer.
    EXPECT_TRUE(SetAcadCurProd(reg, "AutoCAD LT"));
    EXPECT_EQ(AcadCurProd(reg), "AutoCAD LT");
    EXPECT_EQ(AcadCurrentProductName(reg), "AutoCAD LT 2008");
    EXPECT_EQ(AcadCurrentExePath(reg), "C:\\Program Files\\AutoCAD LT 2008\\acadlt.exe");

    EXPECT_TRUE(SetAcadCurProd(reg, "AutoCAD"));
    EXPECT_TRUE(SetAcadCurRelease(reg, "R18.0"));
    EXPECT_TRUE(SetAcadCurProductKey(reg, "acad-8001:409")); // written in the registry's letter case
    EXPECT_EQ(AcadCurProductKey(reg), "ACAD-8001:409");
    EXPECT_EQ(AcadCurrentProductName(reg), "AutoCAD 2010");
    EXPECT_FALSE(SetAcadCurProductKey(reg, "ACAD-9999:409"));
    EXPECT_EQ(AcadCurProductKey(reg), "ACAD-8001:409");

    EXPECT_FALSE(SetAcadCurrentProfile(reg, "Plotting")); // a profile of another product
    EXPECT_EQ(AcadCurrentProfile(reg), "Arch");

    EXPECT_TRUE(SetAcadCurRelease(reg, "R17.1"));
    EXPECT_TRUE(SetAcadCurProductKey(reg, "ACAD-6001:409"));
    EXPECT_TRUE(SetAcadCurrentProfile(reg, "PLOTTING"));
    EXPECT_EQ(AcadCurrentProfile(reg), "Plotting");
    EXPECT_FALSE(SetAcadCurrentProfile(reg, "No such profile"));
    EXPECT_EQ(AcadCurrentProfile(reg), "Plotting");
}

} // namespace ps::test
