#include "run/run_command.h"
#include "run/safety_copies.h"

#include "core/memory_file_system.h"
#include "core/memory_registry.h"

#include <gtest/gtest.h>

namespace ps {
namespace {

// A kill in the middle of a save leaves a truncated drawing and its intact
// safety copy: the next start puts the copy back, keeps the damaged file
// beside it, and says so once. A live run's copies, whatever its drawing
// looks like now, are its own: nothing of them is touched.
TEST(Recovery, OnlyARunProvedGoneIsPutRight) {
    MemoryRegistry reg;
    MemoryFileSystem files;
    MemoryRunOwnership runs("next-start");
    runs.setAlive("live", true);
    const std::string temp = "C:\\T\\";
    const std::string gone = RunFolderOf(temp, "killed");
    const std::string live = RunFolderOf(temp, "live");
    files.addFile("C:\\D\\cut.dwg", "AC1018 half");
    files.addFile(gone + "\\1-1.copy", "AC1018 whole drawing");
    files.addFile(gone + "\\1-1.path", "C:\\D\\cut.dwg");
    files.addFile(gone + "\\1.claim", "NC:\\D\\CUT.DWG\n");
    files.addFile("C:\\D\\same.dwg", "AC1015 same");
    files.addFile(SafetyFolderOf(temp) + "\\1-2.copy", "AC1015 same"); // an earlier version's
    files.addFile(SafetyFolderOf(temp) + "\\1-2.path", "C:\\D\\same.dwg");
    files.addFile("C:\\D\\saving.dwg", "AC1018 being saved");
    files.addFile(live + "\\1-1.copy", "AC1018 before the save");
    files.addFile(live + "\\1-1.path", "C:\\D\\saving.dwg");

    const auto messages = RecoverInterruptedRun(reg, files, runs, temp);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0],
              "\"C:\\D\\cut.dwg\" was put back as it was before an interrupted run; the file the "
              "run left is kept at \"" +
                  gone + "\\1-1.changed.dwg\".");
    EXPECT_EQ(files.contentOf("C:\\D\\cut.dwg"), "AC1018 whole drawing");
    EXPECT_EQ(files.contentOf("C:\\D\\same.dwg"), "AC1015 same");
    EXPECT_EQ(files.filesBelow(SafetyFolderOf(temp)), std::vector<std::string>{});
    EXPECT_EQ(files.filesBelow(gone), std::vector<std::string>{gone + "\\1-1.changed.dwg"});
    EXPECT_EQ(files.contentOf("C:\\D\\saving.dwg"), "AC1018 being saved");
    EXPECT_EQ(files.filesBelow(live).size(), 2u);
    EXPECT_EQ(runs.locksHeld(), 0);
    EXPECT_TRUE(RecoverInterruptedRun(reg, files, runs, temp).empty()); // never reported twice
}

} // namespace
} // namespace ps
