#include "run/run_command.h"

#include "core/memory_file_system.h"
#include "core/memory_registry.h"

#include <gtest/gtest.h>

namespace ps {
namespace {

// A kill in the middle of a save leaves a truncated drawing and its intact
// safety copy: the next start puts the copy back, keeps the damaged file
// beside it, and says so once.
TEST(Recovery, ADamagedDrawingIsPutBackAndAnUnchangedOnesCopyGoes) {
    MemoryRegistry reg;
    MemoryFileSystem files;
    const std::string safety = "C:\\T\\Safety copies";
    files.addFile("C:\\D\\cut.dwg", "AC1018 half");
    files.addFile(safety + "\\1-1.copy", "AC1018 whole drawing");
    files.addFile(safety + "\\1-1.path", "C:\\D\\cut.dwg");
    files.addFile("C:\\D\\same.dwg", "AC1015 same");
    files.addFile(safety + "\\1-2.copy", "AC1015 same");
    files.addFile(safety + "\\1-2.path", "C:\\D\\same.dwg");

    const auto messages = RecoverInterruptedRun(reg, files, safety);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0],
              "\"C:\\D\\cut.dwg\" was put back as it was before an interrupted run; the file the "
              "run left is kept at \"C:\\T\\Safety copies\\1-1.changed.dwg\".");
    EXPECT_EQ(files.find("C:\\D\\cut.dwg")->content, "AC1018 whole drawing");
    EXPECT_EQ(files.find(safety + "\\1-1.changed.dwg")->content, "AC1018 half");
    EXPECT_EQ(files.find("C:\\D\\same.dwg")->content, "AC1015 same");
    EXPECT_EQ(files.filesBelow(safety), std::vector<std::string>{safety + "\\1-1.changed.dwg"});
    EXPECT_TRUE(RecoverInterruptedRun(reg, files, safety).empty()); // never reported twice
}

} // namespace
} // namespace ps
