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
    EXPECT_EQ(files.contentOf("C:\\list.log").substr(0, 75),
              "Plan.dwg;D:\\Jobs;2000;OK;245;198;1/2/2026 10:00:00 AM;1/3/2026 9:00:00 AM\r\n");
    EXPECT_NE(files.contentOf("C:\\list.log").find(";E:\\Archive;FOLDER;;;;;\r\n"), std::string::npos);
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
    EXPECT_EQ(files.contentOf("C:\\e.log"), "");
}

// The format has no quoting: a row with ";" stays out of the file, and a
// line with a ninth field is refused instead of being misread.
// A row the file cannot carry (";" in its folder or name, a line break in a
// cell) is never written as it is, nor dropped: a folder row with its
// refusal stands for it, so the list read again still fails.
TEST(ListFile, SemicolonsNeverShiftTheFields) {
    DrawingList list;
    list.append(Row({"a.dwg", "D:\\J;K", "2000", "Skipped: Name holds ';'", "1", " ", "d", ""}));
    list.append(Row({"b.dwg", "D:\\J", "2000", "", "1", " ", "d", ""}));
    list.append(Row({"c;d.dwg", "D:\\J", "2000", "Skipped: Name holds ';'", "1", " ", "d", ""}));
    list.append(Row({"e\r\nf.dwg", "D:\\J", "2000", "", "1", " ", "d", ""}));
    EXPECT_EQ(ListText(list), ";;FOLDER;Skipped: Name holds ';';;;;\r\n"
                              "b.dwg;D:\\J;2000;;1; ;d;\r\n"
                              ";D:\\J;FOLDER;Skipped: Name holds ';';;;;\r\n"
                              ";D:\\J;FOLDER;Skipped: Name holds ';';;;;\r\n");
    DrawingList back;
    const ImportResult r = ImportListText(back, "b.dwg;D:\\J;2000;;1; ;d;\r\na.dwg;D:\\J;K;2000;;1; ;d;\r\n");
    EXPECT_EQ(r.error, "Error in ImportListStatus: line 2 has 9 fields, more than the eight of a row; it was "
                       "not read.");
    EXPECT_EQ(back.size(), 1u);
}

// Lists from editors and other tools: LF line ends and a UTF-8 byte-order mark.
TEST(ListFile, LineFeedsAndAByteOrderMarkAreRead) {
    DrawingList list;
    EXPECT_EQ(ImportListText(list, "\xEF\xBB\xBF"
                                   "d.dwg;C:\\D;;;;;;\nC:\\F;C:\\F;FOLDER;;;;;\n")
                  .error,
              std::nullopt);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].cell(kColFilename), "d.dwg");
    EXPECT_EQ(list[1].cell(kColVersion), "FOLDER");
}

TEST(ListFile, ShortAndEmptyLinesEndTheImport) {
    DrawingList list;
    ImportResult r = ImportListText(list, "a.dwg;C:\\D;2000;;1; ;d;\r\n\r\nb.dwg;C:\\D;2000;;1; ;d;\r\n");
    EXPECT_EQ(r.added, 1u);
    EXPECT_EQ(r.error,
              "Error in ImportListStatus: line 2 is empty; every line holds one row of eight fields.");
    ASSERT_EQ(list.size(), 1u);

    r = ImportListText(list, "c.dwg;C:\\D;2004\r\nd.dwg;C:\\D;2004;;1; ;d;\r\n");
    EXPECT_EQ(r.added, 1u);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1].cells, (std::array<std::string, 8>{"c.dwg", "C:\\D", "2004", "", "", "", "", ""}));
    EXPECT_TRUE(r.error.has_value());
}

TEST(ListFile, AControlCharacterEndsTheImportAtItsLine) {
    DrawingList list;
    using namespace std::string_literals;
    const ImportResult r =
        ImportListText(list, "a.dwg;C:\\D;;;1; ;d;\r\nplain.dwg\0evil.dwg;C:\\D;;;1; ;d;\r\n"s);
    EXPECT_EQ(r.error, "Error in ImportListStatus: line 2 holds a control character; it was not read.");
    ASSERT_EQ(list.size(), 1u);
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

// One name outside the code page: the whole list is written as UTF-8 and
// reads back unchanged.
TEST(ListFile, ANameOutsideTheCodePageTurnsTheFileIntoUtf8) {
    MemoryFileSystem files;
    Latin1Codec codec;
    DrawingList list;
    list.append(Row({"\xE5\x9B\xB3.dwg", "D:\\J", "", "", "", "", "", ""}));
    list.append(Row({"caf\xC3\xA9.dwg", "D:\\J", "", "OK", "", "", "", ""}));
    EXPECT_EQ(WriteListFile(files, codec, "C:\\l.log", list), std::nullopt);
    EXPECT_TRUE(files.contentOf("C:\\l.log").starts_with("\xEF\xBB\xBF"));
    DrawingList back;
    EXPECT_EQ(ReadListFile(files, codec, "C:\\l.log", back).error, std::nullopt);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].cells, list[0].cells);
    EXPECT_EQ(back[1].cells, list[1].cells);
    EXPECT_TRUE(ReadListFile(files, codec, "C:\\missing.log", list).error.has_value());
}

// A long list lets the window answer while it is read.
TEST(ListFile, ALongImportPumpsTheWindowNowAndThen) {
    struct CountingPump final : MessagePump {
        int calls = 0;
        void pumpOnce() override { ++calls; }
    } pump;
    std::string text;
    for (int i = 0; i < 1000; ++i)
        text += "d" + std::to_string(i) + ".dwg;C:\\D;;;; ;;\r\n";
    DrawingList list;
    EXPECT_EQ(ImportListText(list, text, &pump).added, 1000u);
    EXPECT_GE(pump.calls, 3);
}

} // namespace
} // namespace ps
