// File facts and version labels on real files.
#include "drawinglist/drawing_list.h"
#include "core/file_facts.h"
#include "drawinglist/version.h"

#include "platform/handles.h"
#include "platform/text.h"
#include "platform/win_file_system.h"
#include "support/corpus.h"
#include "support/win_temp_dir.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace ps {
namespace {

class RealFiles : public testing::Test {
protected:
    test::TempDir dir;
    WinFileSystem fs;
};

TEST_F(RealFiles, HiddenAndSystemFilesAreNotFound) {
    const auto hidden = dir.write("hidden.dwg", "AC1015");
    const auto system = dir.write("system.dwg", "AC1015");
    const auto plain = dir.write("plain.dwg", std::string("AC1015") + std::string(2000, 'x'));
    SetFileAttributesW(Widen(hidden).c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesW(Widen(system).c_str(), FILE_ATTRIBUTE_SYSTEM);
    EXPECT_EQ(DwgVers(fs, hidden), "");
    EXPECT_EQ(DwgVers(fs, system), "");
    EXPECT_EQ(FileSizeKB(fs, hidden), 0);
    EXPECT_TRUE(FileExists(fs, hidden)); // the attribute query still sees it
    EXPECT_EQ(DwgVers(fs, plain), "2000");
    EXPECT_EQ(FileSizeKB(fs, plain), 2);
    EXPECT_EQ(DwgVers(fs, dir.file("*.dwg")), ""); // a pattern is never a name
    EXPECT_TRUE(FolderExists(fs, dir.path()));
}

TEST_F(RealFiles, AFileHeldWithoutReadSharing) {
    const auto dwg = dir.write("held.dwg", "AC1018");
    const auto dxf =
        dir.write("held.dxf", "  0\r\nSECTION\r\n  2\r\nHEADER\r\n  9\r\n$ACADVER\r\n  1\r\nAC1015\r\n");
    EXPECT_EQ(DwgVers(fs, dxf), "2000");
    UniqueFile holdDwg(
        CreateFileW(Widen(dwg).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    UniqueFile holdDxf(
        CreateFileW(Widen(dxf).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holdDwg);
    ASSERT_TRUE(holdDxf);
    EXPECT_EQ(DwgVers(fs, dwg), "???");
    EXPECT_EQ(DwgVers(fs, dxf), "DXF?");
    EXPECT_EQ(FileDateText(fs, dwg), "");
    FileTimes times{};
    EXPECT_FALSE(GetFileDates(fs, dwg, times));
    EXPECT_FALSE(ReadDrawingFacts(fs, dwg).readable);
    holdDwg.reset();
    EXPECT_EQ(DwgVers(fs, dwg), "2004");
    // Another program writes it, sharing reads: readable, not to be had alone.
    UniqueFile writer(CreateFileW(Widen(dwg).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(writer);
    const DrawingFacts facts = ReadDrawingFacts(fs, dwg);
    EXPECT_TRUE(facts.readable);
    EXPECT_FALSE(facts.openableAlone);
    EXPECT_EQ(facts.version, "2004");
    writer.reset();
    EXPECT_TRUE(ReadDrawingFacts(fs, dwg).openableAlone);
}

TEST_F(RealFiles, ReadOnlyAttribute) {
    const auto path = dir.write("ro.dwg", "AC1015");
    EXPECT_FALSE(IsReadOnly(fs, path));
    SetFileAttributesW(Widen(path).c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(IsReadOnly(fs, path));
    EXPECT_FALSE(IsReadOnly(fs, dir.file("missing.dwg")));
}

// The history's one look at a drawing says what the separate questions say,
// in every file of a folder (the volume is asked once per folder), and reads
// the bytes only when asked to.
TEST_F(RealFiles, AStampAgreesWithIdTimesAndFingerprint) {
    for (const char* name : {"one.dwg", "two.dwg"}) {
        const auto path = dir.write(name, std::string(name) + std::string(3000, 'x'));
        const auto unread = fs.stamp(path, [](const FileStamp&) { return false; });
        const auto read = fs.stamp(path, [](const FileStamp&) { return true; });
        ASSERT_TRUE(unread && read);
        EXPECT_EQ(unread->id, *fs.fileId(path));
        EXPECT_EQ(unread->size, 3007u);
        EXPECT_EQ(unread->modified, fs.fileTimes(path)->modified);
        EXPECT_FALSE(unread->hash);
        EXPECT_EQ(read->hash, fs.fingerprint(path)->hash);
    }
    EXPECT_FALSE(fs.stamp(dir.path(), [](const FileStamp&) { return true; }));
}

TEST_F(RealFiles, DateTextAfterSettingAKnownLastWriteTime) {
    const auto path = dir.write("dated.dwg", "AC1015");
    SYSTEMTIME st{};
    st.wYear = 2021;
    st.wMonth = 3;
    st.wDay = 4;
    st.wHour = 12;
    st.wMinute = 34;
    st.wSecond = 56;
    FILETIME ft;
    ASSERT_TRUE(SystemTimeToFileTime(&st, &ft));
    {
        UniqueFile file(CreateFileW(Widen(path).c_str(), FILE_WRITE_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(SetFileTime(file.get(), &ft, &ft, &ft));
    }
    const std::string text = FileDateText(fs, path);
    EXPECT_NE(text.find("2021"), std::string::npos) << text;
    EXPECT_NE(text.find(":34:56"), std::string::npos) << text;
    FileTimes times{};
    ASSERT_TRUE(GetFileDates(fs, path, times));
    EXPECT_EQ(times.modified, (static_cast<FileTime>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
    EXPECT_EQ(FormatLocalDateTime(times.modified), text);
}

TEST_F(RealFiles, AddToListOnRealFiles) {
    dir.write("A.DWG", std::string(1536, 'x'));
    Settings settings;
    DrawingList list;
    EXPECT_TRUE(addToListView(list, fs, settings, dir.file("A.DWG")));
    EXPECT_FALSE(addToListView(list, fs, settings, dir.path())); // a folder
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].cell(kColPath), dir.path());
    EXPECT_EQ(list[0].cell(kColSizeBefore), "2");
    EXPECT_FALSE(list[0].cell(kColDateBefore).empty());
}

TEST(RealCorpus, VersionLabelsThroughTheWindowsFileApi) {
    if (test::CorpusDir().empty())
        GTEST_SKIP() << "no corpus";
    WinFileSystem fs;
    for (const auto& [file, label] : test::CorpusVersionLabels())
        EXPECT_EQ(DwgVers(fs, test::CorpusPath(file)), label) << file;
}

} // namespace
} // namespace ps
