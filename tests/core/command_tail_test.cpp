#include "core/command_tail.h"

#include <gtest/gtest.h>

namespace ps {
namespace {

TEST(CommandTail, TheSwitchInAnyCaseDropsItselfAndOneCharacter) {
    EXPECT_EQ(ParseStartupTail("  /NOLOGO \"C:\\D\\a.dwg\" ").command, "\"C:\\D\\a.dwg\"");
    EXPECT_TRUE(ParseStartupTail("/nologo").nologo);
    EXPECT_EQ(ParseStartupTail("/nologo").command, "");
    EXPECT_FALSE(ParseStartupTail(" \"C:\\a.dwg\" ").nologo);
    EXPECT_EQ(ParseStartupTail(" \"C:\\a.dwg\" ").command, "\"C:\\a.dwg\"");
}

TEST(CommandTail, TheDrawingIsTakenWithOrWithoutItsQuotes) {
    EXPECT_EQ(StartupDrawingPath("\"C:\\D\\a.dwg\""), "C:\\D\\a.dwg");
    EXPECT_EQ(StartupDrawingPath("Z:\\plans\\A101.dwg"), "Z:\\plans\\A101.dwg");
    EXPECT_EQ(StartupDrawingPath(ParseStartupTail("/nologo Z:\\plans\\A101.dwg").command),
              "Z:\\plans\\A101.dwg");
}

TEST(CommandTail, HandOverAndReceipt) {
    EXPECT_EQ(HandOverPayload(""), std::string(1, '\0'));
    EXPECT_EQ(HandOverPayload("/nologo \"C:\\a.dwg\""), "\"C:\\a.dwg\"");
    EXPECT_EQ(ReceivedCommandTail(std::string(1, '\0')), "");
    EXPECT_EQ(ReceivedCommandTail("\"C:\\a.dwg\""), "\"C:\\a.dwg\"");
    EXPECT_EQ(ReceivedCommandTail(std::string("a\0b", 3)), std::nullopt);
    EXPECT_EQ(ReceivedCommandTail(std::string(kMaxHandOverBytes + 1, 'x')), std::nullopt);
}

} // namespace
} // namespace ps
