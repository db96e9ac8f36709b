#include "core/process_lineage.h"

#include <gtest/gtest.h>

namespace ps {
namespace {

TEST(ProcessLineage, WalksUpTheParentsAndStopsAtALoop) {
    // 10 started 11, which started 12; 20 is somebody else's; 30 and 31 name
    // each other as parent (ids reused after their parents went).
    const ProcessListing listing{{10, 1}, {11, 10}, {12, 11}, {20, 1}, {30, 31}, {31, 30}};
    EXPECT_TRUE(DescendsFrom(listing, 12, 10));
    EXPECT_FALSE(DescendsFrom(listing, 20, 10));
    EXPECT_FALSE(DescendsFrom(listing, 10, 12)); // a parent is not its child's
    EXPECT_FALSE(DescendsFrom(listing, 30, 10));
    EXPECT_FALSE(DescendsFrom(listing, 99, 10)); // not listed
}

TEST(ProcessLineage, ListsAgainOnlyForAnUnknownOrOwnProcessOrWhenOld) {
    ProcessListing system{{10, 1}, {20, 1}};
    int listings = 0;
    ProcessLineage lineage([&] {
        ++listings;
        return system;
    });
    EXPECT_TRUE(lineage.descends(10, 10, 0));
    EXPECT_EQ(listings, 0); // the started process itself needs no listing
    EXPECT_FALSE(lineage.descends(20, 10, 0));
    EXPECT_FALSE(lineage.descends(20, 10, 1500));
    EXPECT_EQ(listings, 1);

    // 10 starts 21: unknown to the listing, so it is listed again.
    system.emplace_back(21, 10);
    EXPECT_TRUE(lineage.descends(21, 10, 1600));
    EXPECT_EQ(listings, 2);

    // 21 goes and its id goes to a process of somebody else's: the old
    // listing's "own" is checked before it is believed.
    system.back() = {21, 1};
    EXPECT_FALSE(lineage.descends(21, 10, 1800));
    EXPECT_EQ(listings, 3);

    // An old listing is made again even for a process it knows.
    EXPECT_FALSE(lineage.descends(20, 10, 1800 + ProcessLineage::kLifeMs));
    EXPECT_EQ(listings, 4);
}

} // namespace
} // namespace ps
