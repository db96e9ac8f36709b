#include "drawinglist/dialog_answer.h"

#include <gtest/gtest.h>

namespace ps {
namespace {

using namespace std::string_literals;

TEST(DialogAnswer, OnePathOrAFolderWithNames) {
    EXPECT_EQ(FilesOfOpenDialogAnswer("C:\\D\\a.dwg\0\0"s), std::vector<std::string>{"C:\\D\\a.dwg"});
    EXPECT_EQ(FilesOfOpenDialogAnswer("C:\\D\0b.dwg\0a.dwg\0c.dxf\0\0"s),
              (std::vector<std::string>{"C:\\D\\b.dwg", "C:\\D\\a.dwg", "C:\\D\\c.dxf"}));
    EXPECT_EQ(FilesOfOpenDialogAnswer("C:\\\0a.dwg\0\0"s), std::vector<std::string>{"C:\\a.dwg"});
    EXPECT_TRUE(FilesOfOpenDialogAnswer(""s).empty());
}

TEST(DialogAnswer, StripDelimitedItemTakesTheDelimiterAlong) {
    std::string text = "ab;cd";
    EXPECT_EQ(StripDelimitedItem(text, ';'), "ab;");
    EXPECT_EQ(text, "cd");
    EXPECT_EQ(StripDelimitedItem(text, ';'), "cd");
    EXPECT_EQ(text, "");
}

} // namespace
} // namespace ps
