#include "core/strings.h"

#include <gtest/gtest.h>

namespace ps {
namespace {

TEST(Strings, CaseFoldingCoversAsciiAndLatin1) {
    EXPECT_EQ(ToUpper("acad-6001:409"), "ACAD-6001:409");
    EXPECT_EQ(ToUpper("Zeichnungsübersicht ä ÿ é"), "ZEICHNUNGSÜBERSICHT Ä ÿ É"); // ÿ has no Latin-1 capital
    EXPECT_EQ(ToLower("ÄÖÜ ABC"), "äöü abc");
    EXPECT_EQ(ToUpper("÷"), "÷");
    EXPECT_TRUE(EqualsNoCase("Plotting", "PLOTTING"));
    EXPECT_TRUE(EqualsNoCase("Straße Ä", "STRAßE ä"));
    EXPECT_FALSE(EqualsNoCase("Plot", "Plotting"));
}

TEST(Strings, PrefixSuffixAndTrim) {
    EXPECT_TRUE(StartsWith("AutoCAD Alert", "AutoCAD"));
    EXPECT_FALSE(StartsWith("Auto", "AutoCAD"));
    EXPECT_TRUE(EndsWith("plan.dwg", ".dwg"));
    EXPECT_FALSE(EndsWith("g", ".dwg"));
    EXPECT_EQ(Left("abc", 7), "abc");
    EXPECT_EQ(TrimBlanks("  /nologo  "), "/nologo");
    EXPECT_EQ(TrimBlanks("   "), "");
}

} // namespace
} // namespace ps
