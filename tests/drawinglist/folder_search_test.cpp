#include "drawinglist/folder_search.h"
#include "drawinglist/temp_cleanup.h"

#include "core/memory_file_system.h"
#include "support/fake_ports.h"

#include <gtest/gtest.h>

namespace ps {
namespace {

std::vector<std::string> Names(const DrawingList& list) {
    std::vector<std::string> names;
    for (const auto& row : list)
        names.push_back(FullPath(row));
    return names;
}

class Search : public testing::Test {
protected:
    void SetUp() override {
        files.addFile("D:\\J\\a.dwg", "AC1015");
        files.addFile("D:\\J\\b.DXF", "  0\r\nSECTION");
        files.addFile("D:\\J\\plan.dwgx", "AC1015");
        files.addFile("D:\\J\\sub\\c.dwg", "AC1015");
        files.addFile("D:\\J\\sub\\deeper\\d.dwg", "AC1015");
        files.addFile("D:\\J\\zeta\\e.dwg", "AC1015");
        files.addFolder("D:\\J\\link", kAttrDirectory | kAttrReparsePoint);
        files.addFile("D:\\J\\link\\outside.dwg", "AC1015");
        state.running(true);
    }
    SearchContext context() { return SearchContext{list, files, settings, state, pump}; }
    MemoryFileSystem files;
    Settings settings;
    RunState state;
    test::CountingPump pump;
    DrawingList list;
};

TEST_F(Search, FilesOfAFolderComeBeforeItsSubfoldersDepthFirst) {
    auto c = context();
    FindFilesAPI(c, "D:\\J", "*.dwg");
    EXPECT_EQ(Names(list), (std::vector<std::string>{"D:\\J\\a.dwg", "D:\\J\\sub\\c.dwg",
                                                     "D:\\J\\sub\\deeper\\d.dwg", "D:\\J\\zeta\\e.dwg"}));
    EXPECT_EQ(c.found, 4);
    EXPECT_EQ(c.folders, 4); // link, sub, zeta and deeper counted; the link is never entered
    EXPECT_EQ(state.statusLabel(), "4 found file(s). D:\\J\\zeta\\e.dwg");
}

TEST_F(Search, SubfoldersOnlyWhenAskedAndDxfOnlyWhenIncluded) {
    settings.IncludeSubfolders = 0;
    auto c = context();
    FindFilesAPI(c, "D:\\J\\", "*.dwg");
    FindFilesAPI(c, "D:\\J\\", "*.dxf");
    EXPECT_EQ(Names(list), std::vector<std::string>{"D:\\J\\a.dwg"});
    settings.IncludeDXF = -1;
    FindFilesAPI(c, "D:\\J\\", "*.dxf");
    EXPECT_EQ(list.size(), 2u);
}

TEST_F(Search, EscEndsTheSearchAtTheNextEntryAndStopAtTheNextFolder) {
    pump.onPump = [this](int n) {
        if (n == 3)
            state.running(false);
    };
    auto c = context();
    FindFilesAPI(c, "D:\\J", "*.dwg");
    EXPECT_TRUE(list.empty());

    state.running(true);
    pump.onPump = nullptr;
    state.requestStop();
    auto d = context();
    FindFilesAPI(d, "D:\\J", "*.dwg");
    EXPECT_FALSE(state.busy());
    EXPECT_TRUE(list.empty());
}

TEST_F(Search, FactsFromTheListingMatchTheFileSystemsOwn) {
    settings.showVersion = -1;
    files.find("D:\\J\\a.dwg")->times = FileTimes{1, 2'000'000'000'000'000'000ULL, 3};
    files.addFile("D:\\J\\held.dwg", "AC1018").lockedNoSharing = true;
    files.addFile("D:\\J\\hidden.dwg", "AC1018", kAttrHidden | kAttrArchive);
    settings.IncludeSubfolders = 0;
    auto c = context();
    FindFilesAPI(c, "D:\\J", "*.dwg");
    DrawingList direct;
    for (const char* path : {"D:\\J\\a.dwg", "D:\\J\\held.dwg", "D:\\J\\hidden.dwg"})
        addToListView(direct, files, settings, path);
    ASSERT_EQ(list.size(), direct.size());
    for (std::size_t i = 0; i < list.size(); ++i)
        EXPECT_EQ(list[i].cells, direct[i].cells) << i;
    EXPECT_EQ(list[1].cell(kColVersion), "???"); // held open without sharing: no version, no date
    EXPECT_EQ(list[1].cell(kColDateBefore), "");
    EXPECT_EQ(list[2].cell(kColVersion), ""); // hidden: not found by a plain search
    EXPECT_EQ(list[2].cell(kColSizeBefore), "0");
}

TEST_F(Search, FolderRowsExpandInReverseOrderAtTheEndOfTheList) {
    state.running(false);
    DrawingRow drawing;
    drawing.cells[kColFilename] = "x.dwg";
    drawing.cells[kColPath] = "C:";
    list.append(MakeFolderRow("D:\\J\\sub"));
    list.append(drawing);
    list.append(MakeFolderRow("D:\\J\\zeta"));
    std::vector<std::string> cleaned;
    auto c = context();
    subAddFolderToFiles(c, [&](const std::string& folder) { cleaned.push_back(folder); });
    EXPECT_EQ(Names(list), (std::vector<std::string>{"C:\\x.dwg", "D:\\J\\zeta\\e.dwg", "D:\\J\\sub\\c.dwg",
                                                     "D:\\J\\sub\\deeper\\d.dwg"}));
    EXPECT_EQ(cleaned, (std::vector<std::string>{"D:\\J\\zeta", "D:\\J\\sub"}));
    EXPECT_FALSE(state.busy());
}

// Nothing silently lost: a folder that has gone keeps its row, and a stop
// leaves the folders not yet searched as folder rows.
TEST_F(Search, AMissingFolderKeepsItsRowAndAStopKeepsTheRest) {
    state.running(false);
    list.append(MakeFolderRow("D:\\J\\sub"));
    list.append(MakeFolderRow("D:\\gone"));
    list.append(MakeFolderRow("D:\\J\\zeta"));
    DrawingRow standIn = MakeFolderRow("D:\\J"); // for a drawing of D:\J the list file could not carry
    standIn.cells[kColStatus] = "Skipped: Name holds ';'";
    list.append(standIn);
    auto c = context();
    subAddFolderToFiles(c, {});
    ASSERT_EQ(list.size(), 5u);
    EXPECT_EQ(list[0].cell(kColStatus), "Skipped: Name holds ';'");
    EXPECT_EQ(list[2].cell(kColStatus), "Folder not found");
    EXPECT_EQ(list[2].cell(kColPath), "D:\\gone");

    list = DrawingList{};
    list.append(MakeFolderRow("D:\\J\\sub"));
    list.append(MakeFolderRow("D:\\J\\zeta"));
    pump.onPump = [&](int) {
        state.requestStop();
    };
    subAddFolderToFiles(c, {});
    EXPECT_EQ(Names(list), (std::vector<std::string>{"D:\\J\\zeta\\e.dwg", "D:\\J\\sub\\"}));
    EXPECT_TRUE(list[1].isFolder());
}

class Cleanup : public testing::Test {
protected:
    void SetUp() override {
        state.running(true);
        settings.DeleteDays = 0;
    }
    MemoryFileSystem::Entry& file(const std::string& path, std::int64_t daysOld, std::size_t size = 10) {
        auto& e = files.addFile(path, std::string(size, 'b'));
        e.times.modified = clock.nowFileTime() - static_cast<std::uint64_t>(daysOld) * 864'000'000'000ULL;
        return e;
    }
    CleanupContext context() {
        return CleanupContext{
            files, settings, state, pump, clock, codec, "C:\\Temp\\PlansweeperDeletedFiles.log"};
    }
    MemoryFileSystem files;
    Settings settings;
    RunState state;
    test::CountingPump pump;
    test::ManualClock clock;
    Latin1Codec codec;
};

TEST_F(Cleanup, OnlyChosenKindsOlderThanTheDaysAreDeletedAndLogged) {
    settings.DeleteBak = -1;
    file("D:\\J\\a.bak", 1, 2048);
    file("D:\\J\\b.bak", 0);
    file("D:\\J\\c.sv$", 400);
    file("D:\\J\\ro.bak", 5).attributes |= kAttrReadOnly;
    file("D:\\J\\sub\\d.bak", 3);
    file("D:\\J\\link\\e.bak", 3);
    files.addFolder("D:\\J\\link", kAttrDirectory | kAttrReparsePoint);
    auto c = context();
    StartDeletedFilesLog(c);
    FindFilesAPIdelete(c, "D:\\J");
    EXPECT_EQ(files.find("D:\\J\\a.bak"), nullptr);
    EXPECT_NE(files.find("D:\\J\\b.bak"), nullptr);
    EXPECT_NE(files.find("D:\\J\\c.sv$"), nullptr);
    EXPECT_NE(files.find("D:\\J\\ro.bak"), nullptr);
    EXPECT_EQ(files.find("D:\\J\\sub\\d.bak"), nullptr);
    EXPECT_NE(files.find("D:\\J\\link\\e.bak"), nullptr); // never through a link
    EXPECT_EQ(c.deleted, 2);
    EXPECT_EQ(files.contentOf("C:\\Temp\\PlansweeperDeletedFiles.log"),
              "07.12.2026 05:40:00\r\nD:\\J\\a.bak;a;bak;2\r\nD:\\J\\sub\\d.bak;d;bak;0\r\n");
}

TEST_F(Cleanup, SubfoldersStayWithoutIncludeSubfolders) {
    settings.DeleteBak = -1;
    settings.IncludeSubfolders = 0;
    file("D:\\J\\sub\\d.bak", 3);
    auto c = context();
    FindFilesAPIdelete(c, "D:\\J");
    EXPECT_NE(files.find("D:\\J\\sub\\d.bak"), nullptr);
}

TEST(CleanupRules, NamesAndAges) {
    Settings s;
    EXPECT_FALSE(AnyDeletionChosen(s));
    s.DeleteBK = s.DeletePlotLog = s.DeleteEBD = -1;
    EXPECT_TRUE(AnyDeletionChosen(s));
    EXPECT_TRUE(IsChosenTemporaryFile("x.bk1", s));
    EXPECT_TRUE(IsChosenTemporaryFile("x.BKZ", s));
    EXPECT_FALSE(IsChosenTemporaryFile("x.bk", s));
    EXPECT_FALSE(IsChosenTemporaryFile("x.bk12", s));
    EXPECT_TRUE(IsChosenTemporaryFile("plot.log", s));
    EXPECT_TRUE(IsChosenTemporaryFile("Plot.Log", s));
    EXPECT_FALSE(IsChosenTemporaryFile("myplot.log", s));
    EXPECT_TRUE(IsChosenTemporaryFile("a.$$$", s));
    EXPECT_FALSE(IsChosenTemporaryFile("a.bak", s));
    EXPECT_FALSE(IsChosenTemporaryFile("bak", s));
    EXPECT_TRUE(OldEnough(99, 100, 0));
    EXPECT_FALSE(OldEnough(100, 100, 0));
    EXPECT_FALSE(OldEnough(90, 100, 10));
    EXPECT_TRUE(OldEnough(89, 100, 10));
}

} // namespace
} // namespace ps
