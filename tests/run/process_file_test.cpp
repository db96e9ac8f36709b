#include "run/process_file.h"

#include "core/memory_file_system.h"
#include "support/fake_ports.h"

#include <gtest/gtest.h>

namespace ps {
namespace {

class ProcessOneFile : public testing::Test {
protected:
    void SetUp() override { files.addFile("C:\\D\\plan.dwg", "AC1015").times = original; }
    std::int16_t run(std::int32_t timeout = 120, std::function<bool(std::int16_t)> afterWait = {}) {
        ShellWaitPorts ports{process, pump, clock, prompt, state, [](const ProcessFilter&) {
                                 return std::int16_t{0};
                             }};
        ProcessFileRequest request{"C:\\Program Files\\AutoCAD\\acad.exe",
                                   "C:\\D\\plan.dwg",
                                   "C:\\T\\purge",
                                   timeout,
                                   true,
                                   2,
                                   true,
                                   {},
                                   {},
                                   {}};
        // AutoCAD changes the file's dates and writes its lock while it works.
        pump.onPump = [this](int) {
            files.find("C:\\D\\plan.dwg")->times = FileTimes{9, 9, 9};
            if (writesLock && files.writeFile("C:\\D\\plan.dwl", "ours"))
                files.find("C:\\D\\plan.dwl")->attributes |= lockAttributes;
        };
        return ProcessFile(ports, files, request, afterWait);
    }
    const FileTimes original{111, 222, 333};
    bool writesLock = true;
    std::uint32_t lockAttributes = 0;
    MemoryFileSystem files;
    test::ManualClock clock;
    test::FakeProcess process{clock};
    test::CountingPump pump;
    test::ScriptedPrompt prompt;
    RunState state;
};

TEST_F(ProcessOneFile, DatesComeBackAfterANormalEnd) {
    EXPECT_EQ(run(), kOutcomeEnded);
    EXPECT_EQ(files.find("C:\\D\\plan.dwg")->times, original);
    EXPECT_NE(files.find("C:\\D\\plan.dwl"), nullptr); // AutoCAD removes its own lock
    EXPECT_EQ(process.started.front(),
              "\"C:\\Program Files\\AutoCAD\\acad.exe\" \"C:\\D\\plan.dwg\" /b \"C:\\T\\purge\" /nologo");
    EXPECT_EQ(process.style, 2);
}

TEST_F(ProcessOneFile, AfterATimeOutTheLockGoesAndTheDatesStay) {
    process.endAfterPolls = -1;
    lockAttributes = kAttrReadOnly;
    EXPECT_EQ(run(1), kOutcomeTimeout);
    EXPECT_EQ(files.find("C:\\D\\plan.dwl"), nullptr);
    EXPECT_EQ(files.find("C:\\D\\plan.dwg")->times, (FileTimes{9, 9, 9}));
}

// A crash ends AutoCAD "normally" as far as the wait can tell; the run says
// it did not finish.
TEST_F(ProcessOneFile, AfterACrashOurLockGoesButSomebodyElsesStays) {
    EXPECT_EQ(run(120, [](std::int16_t) { return false; }), kOutcomeEnded);
    EXPECT_EQ(files.find("C:\\D\\plan.dwl"), nullptr);
    writesLock = false;
    files.addFile("C:\\D\\plan.dwl", "another user");
    EXPECT_EQ(run(120, [](std::int16_t) { return false; }), kOutcomeEnded);
    EXPECT_NE(files.find("C:\\D\\plan.dwl"), nullptr);
}

TEST_F(ProcessOneFile, ALockThatIsNotOursStaysWhenAutoCadNeverStarted) {
    files.addFile("C:\\D\\plan.dwl", "another user");
    process.startable = false;
    EXPECT_EQ(run(), kOutcomeNotStarted);
    EXPECT_NE(files.find("C:\\D\\plan.dwl"), nullptr);
}

TEST(LockFile, SitsBesideTheDrawing) {
    EXPECT_EQ(LockFilePath("C:\\D\\plan.dxf"), "C:\\D\\plan.dwl");
}

} // namespace
} // namespace ps
