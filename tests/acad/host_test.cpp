#include "acad/host.h"

#include <gtest/gtest.h>

namespace ps {
namespace {

TEST(HostInterface, BatchAndInteractiveCommandLinesQuoteEveryPath) {
    EXPECT_EQ(BatchCommandLine("C:\\Program Files\\AutoCAD 2010\\acad.exe", "D:\\Plans\\a b.dwg",
                               "C:\\Temp\\purge"),
              "\"C:\\Program Files\\AutoCAD 2010\\acad.exe\" \"D:\\Plans\\a b.dwg\" /b \"C:\\Temp\\purge\" "
              "/nologo");
    EXPECT_EQ(InteractiveCommandLine("C:\\AutoCAD\\acad.exe", "D:\\x.dwg"),
              "\"C:\\AutoCAD\\acad.exe\" \"D:\\x.dwg\" /nologo");
}

TEST(HostInterface, AutoCadWindowTitles) {
    EXPECT_TRUE(IsAutoCadWindowTitle("AutoCAD 2010 - [plan.dwg]"));
    EXPECT_TRUE(IsAutoCadWindowTitle("AUTOCAD"));
    EXPECT_TRUE(IsAutoCadWindowTitle("autocad LT"));
    EXPECT_FALSE(IsAutoCadWindowTitle("AutoCA"));
    EXPECT_FALSE(IsAutoCadWindowTitle(" AutoCAD"));
    EXPECT_FALSE(IsAutoCadWindowTitle("Autodesk Map"));
}

TEST(HostInterface, AutoCadLtExecutables) {
    EXPECT_EQ(AutoCadLtExeName("AutoCAD LT 2008 - English"), "acadlt.exe");
    EXPECT_EQ(AutoCadLtExeName("AutoCAD LT 2006"), "aclt.exe");
    EXPECT_EQ(AutoCadLtExeName("AutoCAD LT 2010"), "aclt.exe");
}

} // namespace
} // namespace ps
