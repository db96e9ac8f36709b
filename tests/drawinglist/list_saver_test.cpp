#include "drawinglist/list_saver.h"

#include "core/memory_file_system.h"
#include "support/fake_ports.h"

#include <gtest/gtest.h>

namespace ps {
namespace {

// Changes are written at most once per interval; a write that fails keeps
// them pending and is remembered.
TEST(ListSaver, CoalescesWritesAndKeepsWhatItCouldNotWrite) {
    MemoryFileSystem files;
    files.addFolder("C:\\L");
    Latin1Codec codec;
    test::ManualClock clock;
    ListSaver saver(files, codec, clock, "C:\\L\\list.log", 1000);
    DrawingList list;
    list.append(MakeFolderRow("C:\\A"));
    saver.changed();
    EXPECT_TRUE(saver.saveIfDue(list));
    list.append(MakeFolderRow("C:\\B"));
    saver.changed();
    clock.now += 500;
    EXPECT_TRUE(saver.saveIfDue(list)); // not due yet: nothing written
    EXPECT_EQ(files.contentOf("C:\\L\\list.log"), ";C:\\A;FOLDER;;;;;\r\n");
    clock.now += 500;
    files.setWritesFail(true);
    EXPECT_FALSE(saver.saveIfDue(list));
    EXPECT_TRUE(saver.dirty());
    files.setWritesFail(false);
    EXPECT_TRUE(saver.saveIfChanged(list));
    EXPECT_EQ(files.contentOf("C:\\L\\list.log"), ";C:\\A;FOLDER;;;;;\r\n;C:\\B;FOLDER;;;;;\r\n");
    EXPECT_TRUE(saver.everFailed());
    EXPECT_FALSE(saver.error().has_value());
}

} // namespace
} // namespace ps
