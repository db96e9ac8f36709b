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

// The console engine's output may come in UTF-16: told from a code page's
// bytes, and decoded whole, pairs and strays included.
TEST(Strings, Utf16OutputIsRecognisedAndDecoded) {
    const std::string wide = std::string("\xFF\xFE", 2) + std::string("O\0K\0 \0\xAC\x20", 8) +
                             std::string("\x3D\xD8\x00\xDE", 4) + std::string("\x00\xD8", 2);
    EXPECT_EQ(Utf16LeToUtf8(wide), "OK \xE2\x82\xAC\xF0\x9F\x98\x80\xEF\xBF\xBD");
    EXPECT_TRUE(LooksLikeUtf16Le(wide));
    EXPECT_TRUE(LooksLikeUtf16Le(std::string("C\0o\0m\0m\0a\0n\0d\0:\0", 16)));
    EXPECT_FALSE(LooksLikeUtf16Le("Command: _qsave\r\nRegenerating model.\r\n"));
}

} // namespace
} // namespace ps
