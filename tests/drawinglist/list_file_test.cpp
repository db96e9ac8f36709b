#include "drawinglist/list_file.h"

#include "core/memory_file_system.h"

#include <gtest/gtest.h>

namespace ps {
namespace {

DrawingRow Row(std::array<std::string, 8> cells) {
    DrawingRow row;
    row.cells = std::move(cells);
    return row;
}

TEST(ListFile, ExportThenImportGivesIdenticalRows) {
    DrawingList list;
    list.append(Row(
        {"Plan.dwg", "D:\\Jobs", "2000", "OK", "245", "198", "1/2/2026 10:00:00 AM", "1/3/2026 9:00:00 AM"}));
    list.append(Row({"b.dwg", "D:\\Jobs", "", "", "12", " ", "1/2/2026 10:00:00 AM", ""}));
    list.append(MakeFolderRow("E:\\Archive"));
    list.append(Row({"Größe.dxf", "D:\\Jobs", "DXF?", "Skipped: Don't save selected", "1", " ", "x", "y"}));
    MemoryFileSystem files;
    Latin1Codec codec;
    ASSERT_EQ(WriteListFile(files, codec, "C:\\list.log", list), std::nullopt);
    EXPECT_EQ(files.find("C:\\list.log")->content.substr(0, 75),
              "Plan.dwg;D:\\Jobs;2000;OK;245;198;1/2/2026 10:00:00 AM;1/3/2026 9:00:00 AM\r\n");
    EXPECT_NE(files.find("C:\\list.log")->content.find(";E:\\Archive;FOLDER;;;;;\r\n"), std::string::npos);
    EXPECT_NE(files.find("C:\\list.log")
                  ->content.find("Gr\xF6\xDF"
                                 "e.dxf"),
              std::string::npos); // ANSI
    DrawingList back;
    const ImportResult r = ReadListFile(files, codec, "C:\\list.log", back);
    EXPECT_EQ(r.error, std::nullopt);
    ASSERT_EQ(back.size(), list.size());
    for (std::size_t i = 0; i < list.size(); ++i)
        EXPECT_EQ(back[i].cells, list[i].cells) << i;
    EXPECT_TRUE(back[2].isFolder());
    ReadListFile(files, codec, "C:\\list.log", back); // twice doubles
    EXPECT_EQ(back.size(), 8u);
}

TEST(ListFile, EmptyListGivesAnEmptyFile) {
    MemoryFileSystem files;
    Latin1Codec codec;
    EXPECT_EQ(WriteListFile(files, codec, "C:\\e.log", DrawingList{}), std::nullopt);
    EXPECT_EQ(files.find("C:\\e.log")->content, "");
}

TEST(ListFile, SemicolonsInNamesShiftTheFields) {
    DrawingList list;
    list.append(Row({"a;b.dwg", "D:\\J", "2000", "", "1", " ", "d", ""}));
    DrawingList back;
    EXPECT_EQ(ImportListText(back, ListText(list)).error, std::nullopt);
    EXPECT_EQ(back[0].cell(kColFilename), "a");
    EXPECT_EQ(back[0].cell(kColPath), "b.dwg");
    EXPECT_EQ(back[0].cell(kColDateAfter), "d"); // the ninth field is dropped
}

TEST(ListFile, ShortAndEmptyLinesEndTheImport) {
    DrawingList list;
    ImportResult r = ImportListText(list, "a.dwg;C:\\D;2000;;1; ;d;\r\n\r\nb.dwg;C:\\D;2000;;1; ;d;\r\n");
    EXPECT_EQ(r.added, 1u);
    EXPECT_EQ(r.error, "Error in ImportListStatus: Subscript out of range");
    EXPECT_EQ(list.size(), 1u);

    r = ImportListText(list, "c.dwg;C:\\D;2004\r\nd.dwg;C:\\D;2004;;1; ;d;\r\n");
    EXPECT_EQ(r.added, 1u);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1].cells, (std::array<std::string, 8>{"c.dwg", "C:\\D", "2004", "", "", "", "", ""}));
    EXPECT_TRUE(r.error.has_value());
}

TEST(ListFile, LinesEndAtCarriageReturnsAndTheLastNeedsNone) {
    DrawingList list;
    // A hand-written line with an empty status is pending.
    EXPECT_EQ(ImportListText(list, "x.dwg;C:\\D;2000;;1; ;d;\rY.dwg;C:\\D;2000;OK;1; ;d;e").error,
              std::nullopt);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_TRUE(list[0].isPending());
    EXPECT_EQ(list[1].cell(kColDateAfter), "e");
}

TEST(ListFile, UnwritableAndUnreadableFiles) {
    MemoryFileSystem files;
    Latin1Codec codec;
    DrawingList list;
    list.append(Row({"\xE5\x9B\xB3.dwg", "D:\\J", "", "", "", "", "", ""}));
    EXPECT_TRUE(WriteListFile(files, codec, "C:\\l.log", list).has_value());
    EXPECT_EQ(files.find("C:\\l.log"), nullptr);
    EXPECT_TRUE(ReadListFile(files, codec, "C:\\missing.log", list).error.has_value());
}

} // namespace
} // namespace ps
