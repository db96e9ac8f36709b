#include "run/shell_wait.h"

#include "support/fake_ports.h"

#include <gtest/gtest.h>

namespace ps {
namespace {

class Wait : public testing::Test {
protected:
    std::int16_t wait(std::int32_t timeout = 120, bool closePopUps = true) {
        ShellWaitPorts ports{process, pump, clock, prompt, state, [this](const ProcessFilter& ours) {
                                 scans.push_back(ours(4242) &&
                                                 !ours(4243)); // the started process's windows only
                                 const std::int16_t code = codes.empty() ? 0 : codes.front();
                                 if (!codes.empty())
                                     codes.pop_front();
                                 return code;
                             }};
        return ShellWait(ports, "\"C:\\A\\acad.exe\" \"C:\\d.dwg\" /b \"C:\\T\\purge\" /nologo", 1, timeout,
                         closePopUps);
    }
    test::ManualClock clock;
    test::FakeProcess process{clock};
    test::CountingPump pump;
    test::ScriptedPrompt prompt;
    RunState state;
    std::deque<std::int16_t> codes;
    std::vector<bool> scans;
};

TEST_F(Wait, NormalEndIsZeroAndTheProcessIsAlwaysEnded) {
    process.endAfterPolls = 5;
    EXPECT_EQ(wait(), kOutcomeEnded);
    EXPECT_EQ(process.terminations, 1);
    EXPECT_EQ(process.polls, 6); // the last after ending it
    EXPECT_EQ(pump.pumps, 5);
    EXPECT_EQ(process.waits, 4);      // sleeps between passes instead of spinning
    EXPECT_EQ(scans.size(), 5u + 2u); // every pass, then twice more
    EXPECT_TRUE(scans.back());
    EXPECT_EQ(process.started.front(), "\"C:\\A\\acad.exe\" \"C:\\d.dwg\" /b \"C:\\T\\purge\" /nologo");
}

TEST_F(Wait, TimeoutCountsWholeSecondsOnTheMonotonicClock) {
    process.endAfterPolls = -1;
    EXPECT_EQ(wait(3), kOutcomeTimeout);
    // Whole seconds must exceed 3: the wait ends after 4 s, in 200 ms slices.
    EXPECT_EQ(process.waits, 4000 / static_cast<int>(kWaitSliceMs));
    EXPECT_EQ(process.terminations, 1);
}

// A process the system does not end at once is waited for through the
// pump, and not for ever.
TEST_F(Wait, AnEndedProcessIsWaitedForThroughThePumpBoundedly) {
    process.endAfterPolls = -1;
    process.lingerAfterTerminate = true;
    EXPECT_EQ(wait(1), kOutcomeTimeout);
    const int pumpsBefore = 2000 / static_cast<int>(kWaitSliceMs) + 1;
    EXPECT_GE(pump.pumps, pumpsBefore + static_cast<int>(kEndWaitMs / kWaitSliceMs) - 1);
    EXPECT_LE(clock.now, 1'000'000u + 2000 + kEndWaitMs + kWaitSliceMs);
}

TEST_F(Wait, TimeoutWinsEvenWhenTheLastPollFoundTheProcessEnded) {
    process.endAfterPolls = 2;
    clock.step = 5000; // every reading of the clock jumps five seconds
    EXPECT_EQ(wait(3), kOutcomeTimeout);
}

TEST_F(Wait, StopAnsweredYesEndsAtOnce) {
    process.endAfterPolls = -1;
    state.requestStop();
    prompt.answer = true;
    EXPECT_EQ(wait(), kOutcomeUserStop);
    EXPECT_EQ(prompt.questions, std::vector<std::string>{std::string(kTerminateQuestion)});
    EXPECT_EQ(process.terminations, 1);
}

TEST_F(Wait, StopAnsweredYesAfterAutoCadFinishedCountsAsItsOwnEnd) {
    process.endAfterPolls = 1; // ended while the question was on screen
    state.requestStop();
    prompt.answer = true;
    EXPECT_EQ(wait(), kOutcomeEnded);
}

TEST_F(Wait, StopAnsweredNoIsNeverAskedAgain) {
    process.endAfterPolls = 4;
    state.requestStop();
    EXPECT_EQ(wait(), kOutcomeEnded);
    EXPECT_EQ(prompt.questions.size(), 1u);

    process.reset();
    process.endAfterPolls = -1;
    prompt.questions.clear();
    EXPECT_EQ(wait(2), kOutcomeTimeout);
    EXPECT_EQ(prompt.questions.size(), 1u);
}

TEST_F(Wait, CodeThreeIsRememberedOtherCodesCountOnlyInTheLastPass) {
    process.endAfterPolls = 3;
    codes = {0, 3, 0};
    EXPECT_EQ(wait(), 3);

    process.reset();
    process.endAfterPolls = 3;
    codes = {5, 0, 0};
    EXPECT_EQ(wait(), kOutcomeEnded);

    process.reset();
    process.endAfterPolls = 2;
    codes = {0, 4};
    EXPECT_EQ(wait(), 4);

    // The two scans after the loop never change the outcome.
    process.reset();
    process.endAfterPolls = 1;
    codes = {0, 3, 3};
    EXPECT_EQ(wait(), kOutcomeEnded);
}

TEST_F(Wait, ClosingPopUpsOffStillScansTwiceAtTheEnd) {
    process.endAfterPolls = 3;
    EXPECT_EQ(wait(120, false), kOutcomeEnded);
    EXPECT_EQ(scans.size(), 2u);
}

TEST_F(Wait, ACommandLineThatCannotStartIsItsOwnOutcome) {
    process.startable = false;
    EXPECT_EQ(wait(), kOutcomeNotStarted);
    EXPECT_EQ(pump.pumps, 0);
}

} // namespace
} // namespace ps
