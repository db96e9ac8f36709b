#include "core/run_state.h"

#include <gtest/gtest.h>

namespace ps {
namespace {

TEST(RunState, BusyIsAFlagNotACounter) {
    RunState state;
    int changes = 0;
    state.setObserver({[&](bool) { ++changes; }, nullptr});
    state.running(true);
    state.running(true);
    state.running(false);
    EXPECT_FALSE(state.busy());
    EXPECT_EQ(changes, 3);
}

TEST(RunState, StopRequestIsSetAndClearedExplicitly) {
    RunState state;
    EXPECT_FALSE(state.stopRequested());
    state.requestStop();
    state.running(false);
    EXPECT_TRUE(state.stopRequested());
    state.clearStop();
    EXPECT_FALSE(state.stopRequested());
}

TEST(RunState, ProductLabelIsTheHeadWithAnOptionalActivity) {
    RunState state;
    int changes = 0;
    state.setObserver({nullptr, [&] {
                           ++changes;
                       }});
    state.setProductHead("AutoCAD 2010", "<<Unnamed Profile>>");
    EXPECT_EQ(state.productLabel(), "Application:\r\nAutoCAD 2010\r\nProfile:\r\n<<Unnamed Profile>>");
    state.showActivity(kActivityDeleting);
    EXPECT_EQ(state.productLabel(),
              "Application:\r\nAutoCAD 2010\r\nProfile:\r\n<<Unnamed Profile>>\r\n\r\nDeleting files...");
    state.showHead();
    EXPECT_EQ(state.productLabel(), state.head());
    EXPECT_EQ(state.statusLabel(), "Status: ");
    state.setStatus(std::string(kStatusNowRunning) + "C:\\a.dwg");
    EXPECT_EQ(state.statusLabel(), "Now running: C:\\a.dwg");
    EXPECT_EQ(changes, 4);
}

} // namespace
} // namespace ps
