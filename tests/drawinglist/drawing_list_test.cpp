#include "drawinglist/drawing_list.h"
#include "core/file_facts.h"

#include "core/memory_file_system.h"

#include <gtest/gtest.h>

namespace ps {
namespace {

std::vector<std::string> Column(const DrawingList& list, ps::Column c) {
    std::vector<std::string> cells;
    for (const auto& row : list)
        cells.push_back(row.cell(c));
    return cells;
}

TEST(FileFacts, PathPieces) {
    EXPECT_EQ(FileExtension("C:\\Plans\\a.b\\plan.DWG"), "DWG");
    EXPECT_EQ(FileExtension("C:\\a.b\\plan"), "");
    EXPECT_EQ(FileExtension("C:plan.dxf"), "dxf");
    EXPECT_EQ(FileExtension("archive.tar.gz"), "gz");
    EXPECT_EQ(FileBaseName("C:\\a.b\\plan.dwg", false), "plan");
    EXPECT_EQ(FileBaseName("C:\\a.b\\plan.dwg", true), "C:\\a.b\\plan");
    EXPECT_EQ(FileBaseName("C:\\a.b\\plan", true), "C:\\a.b\\plan");
    EXPECT_EQ(FileBaseName("plan.x.dwg", false), "plan.x");
    EXPECT_EQ(FileFolder("C:\\Plans\\a.dwg"), "C:\\Plans");
    EXPECT_EQ(FileFolder("C:\\a.dwg"), "C:");
    EXPECT_EQ(FileFolder("C:a.dwg"), "C:");
    EXPECT_EQ(FileFolder("\\\\server\\share\\a.dwg"), "\\\\server\\share");
    EXPECT_EQ(FileFolder("a.dwg"), "");
}

TEST(FileFacts, SizesInKilobytesRoundHalvesToEven) {
    MemoryFileSystem fs;
    const std::pair<std::size_t, std::int64_t> cases[] = {
        {0, 0}, {511, 0}, {512, 0}, {513, 1}, {1024, 1}, {1536, 2}, {2560, 2}, {3584, 4}, {1535, 1}};
    for (const auto& [bytes, kb] : cases) {
        fs.addFile("C:\\f.dwg", std::string(bytes, 'x'));
        EXPECT_EQ(FileSizeKB(fs, "C:\\f.dwg"), kb) << bytes;
    }
    EXPECT_EQ(KilobytesHalfEven(17'179'869'184ULL * 1024), 17'179'869'184LL); // beyond 32 bits
    fs.addFile("C:\\h.dwg", std::string(4096, 'x'), kAttrHidden);
    EXPECT_EQ(FileSizeKB(fs, "C:\\h.dwg"), 0);
    EXPECT_EQ(FileSizeKB(fs, "C:\\missing.dwg"), 0);
}

TEST(FileFacts, AttributesAndDates) {
    MemoryFileSystem fs;
    fs.addFile("C:\\d\\ro.dwg", "x", kAttrReadOnly | kAttrArchive).times.modified =
        132'000'000'000'000'000ULL;
    fs.addFolder("C:\\d\\sub");
    EXPECT_TRUE(FileExists(fs, "C:\\d\\ro.dwg"));
    EXPECT_FALSE(FileExists(fs, "C:\\d\\sub"));
    EXPECT_TRUE(FolderExists(fs, "C:\\d\\sub"));
    EXPECT_TRUE(FolderExists(fs, "C:\\d")); // implied by its files
    EXPECT_FALSE(FolderExists(fs, "C:\\e"));
    EXPECT_TRUE(IsReadOnly(fs, "C:\\d\\ro.dwg"));
    EXPECT_FALSE(IsReadOnly(fs, "C:\\d\\missing.dwg"));
    EXPECT_EQ(FileDateText(fs, "C:\\d\\ro.dwg"), "2019-04-17 18:40:00");
    FileTimes times{1, 2, 3};
    EXPECT_FALSE(GetFileDates(fs, "C:\\d\\missing.dwg", times));
    EXPECT_EQ(times, (FileTimes{1, 2, 3}));
    EXPECT_TRUE(GetFileDates(fs, "C:\\d\\ro.dwg", times));
    EXPECT_EQ(times.modified, 132'000'000'000'000'000ULL);
}

class AddToList : public testing::Test {
protected:
    bool add(std::string_view path) { return addToListView(list, fs, settings, path); }
    MemoryFileSystem fs;
    Settings settings;
    DrawingList list;
};

TEST_F(AddToList, AcceptanceRule) {
    fs.addFile("C:\\a.DWG", std::string(1536, 'x'));
    fs.addFile("C:\\p\\b.dxf", "");
    fs.addFile("C:\\p\\archived.dwg", "", kAttrArchive);
    fs.addFile("C:\\p\\clean.dwg", "", 0);
    fs.addFile("C:\\p\\noext", "");
    fs.addFile("C:\\p\\lock.dwl", "");
    fs.addFolder("C:\\p\\folder.dwg");
    EXPECT_TRUE(add("C:\\a.DWG"));
    EXPECT_FALSE(add("C:\\p\\b.dxf"));
    settings.IncludeDXF = -1;
    EXPECT_TRUE(add("C:\\p\\b.dxf"));
    EXPECT_FALSE(add("C:\\p\\noext"));
    EXPECT_FALSE(add("C:\\p\\lock.dwl"));
    EXPECT_FALSE(add("C:\\p\\folder.dwg"));
    EXPECT_FALSE(add("C:\\p\\missing.dwg"));
    const std::string cut("C:\\p\\cut\0evil.dwg", 17);
    fs.addFile(cut, "");
    EXPECT_FALSE(add(cut)); // a name holding NUL is never passed on, cut or whole
    settings.ArchiveAttrib = 0;
    EXPECT_FALSE(add("C:\\p\\archived.dwg"));
    EXPECT_TRUE(add("C:\\p\\clean.dwg"));
    settings.ArchiveAttrib = -1;
    EXPECT_TRUE(add("C:\\a.DWG")); // the same file twice gives two rows
    EXPECT_EQ(Column(list, kColFilename), (std::vector<std::string>{"a.DWG", "b.dxf", "clean.dwg", "a.DWG"}));
    EXPECT_EQ(Column(list, kColPath), (std::vector<std::string>{"C:", "C:\\p", "C:\\p", "C:"}));
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(FullPath(list[0]), "C:\\a.DWG");
}

TEST_F(AddToList, PureRuleEdgeCases) {
    EXPECT_FALSE(AcceptsDrawing(std::nullopt, "C:\\x.dwg", true, true)); // failed query: every bit set
    EXPECT_FALSE(AcceptsDrawing(0, "C:\\d\\.", true, true));
    EXPECT_FALSE(AcceptsDrawing(0, "C:\\d\\..", true, true));
    EXPECT_TRUE(AcceptsDrawing(kAttrArchive | kAttrReadOnly, "C:\\x.Dwg", true, false));
    EXPECT_FALSE(AcceptsDrawing(kAttrArchive, "C:\\x.dwg", false, false));
}

TEST_F(AddToList, CellsOfANewRow) {
    fs.addFile("C:\\p\\v.dwg", "AC1018" + std::string(2554, 'x')).times.modified = 0;
    ASSERT_TRUE(add("C:\\p\\v.dwg"));
    EXPECT_EQ(list[0].cells,
              (std::array<std::string, 8>{"v.dwg", "C:\\p", "", "", "2", " ", "1601-01-01 00:00:00", ""}));
    EXPECT_TRUE(list[0].isPending());
    settings.showVersion = 1;
    ASSERT_TRUE(add("C:\\p\\v.dwg"));
    EXPECT_EQ(list[1].cell(kColVersion), "2004");
}

TEST(DrawingListModel, FolderRows) {
    const auto row = MakeFolderRow("D:\\Projects");
    EXPECT_TRUE(row.isFolder());
    EXPECT_EQ(row.cell(kColVersion), "FOLDER");
    EXPECT_EQ(row.cell(kColPath), "D:\\Projects");
}

DrawingList ListOfSizes(std::initializer_list<const char*> sizes) {
    DrawingList list;
    for (const char* s : sizes) {
        DrawingRow row;
        row.cells[kColFilename] = std::string("f") + s;
        row.cells[kColSizeBefore] = s;
        list.append(row);
    }
    return list;
}

TEST(DrawingListModel, SizesSortByNumberOtherColumnsAsTextWithOneDirectionSwitch) {
    DrawingList list = ListOfSizes({"20", "100", " ", "3"});
    list.sortByColumn(kColSizeBefore);
    EXPECT_EQ(list.sortOrder(), SortOrder::Ascending);
    EXPECT_EQ(Column(list, kColSizeBefore), (std::vector<std::string>{" ", "3", "20", "100"}));
    list.sortByColumn(kColSizeBefore);
    EXPECT_EQ(Column(list, kColSizeBefore), (std::vector<std::string>{"100", "20", "3", " "}));
    list.sortByColumn(kColFilename); // another column flips again
    EXPECT_EQ(list.sortOrder(), SortOrder::Ascending);
    EXPECT_EQ(Column(list, kColFilename), (std::vector<std::string>{"f ", "f100", "f20", "f3"}));
}

// Dates in the user's short date order, with a 12-hour clock.
TEST(DrawingListModel, DatesSortByDateInTheUsersOrder) {
    SetListDateOrder(DateOrder::DMY);
    DrawingList list;
    for (const char* date : {"02.01.2026 09:00", "31.12.2025 23:59", "02.01.2026 08:30 PM", ""}) {
        DrawingRow row;
        row.cells[kColDateAfter] = date;
        list.append(row);
    }
    list.sortByColumn(kColDateAfter);
    EXPECT_EQ(Column(list, kColDateAfter),
              (std::vector<std::string>{"", "31.12.2025 23:59", "02.01.2026 09:00", "02.01.2026 08:30 PM"}));
    SetListDateOrder(DateOrder::MDY);
    EXPECT_LT(SortKeyOf(kColDateBefore, "1/31/2026 12:05 AM"), SortKeyOf(kColDateBefore, "2/1/2026 1:00 AM"));
    SetListDateOrder(DateOrder::YMD);
}

TEST(DrawingListModel, AppendWhileSortedFindsItsPlaceUnlessSortingIsOff) {
    DrawingList list = ListOfSizes({"b", "d"});
    list.sortByColumn(kColSizeBefore);
    DrawingRow c;
    c.cells[kColSizeBefore] = "C"; // text compares without case
    EXPECT_EQ(list.append(c), 1u);
    list.setSortingOff();
    DrawingRow a;
    a.cells[kColSizeBefore] = "a";
    EXPECT_EQ(list.append(a), 3u);
}

TEST(DrawingListModel, RemoveSelected) {
    DrawingList list = ListOfSizes({"1", "2", "3", "4"});
    EXPECT_EQ(list.removeSelected(), 0u);
    list[1].selected = true;
    list[3].selected = true;
    EXPECT_EQ(list.removeSelected(), 2u);
    EXPECT_EQ(Column(list, kColSizeBefore), (std::vector<std::string>{"1", "3"}));
}

} // namespace
} // namespace ps
