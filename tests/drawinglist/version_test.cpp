#include "drawinglist/version.h"

#include "core/memory_file_system.h"
#include "core/file_facts.h"

#include <gtest/gtest.h>

namespace ps {
namespace {

const std::pair<const char*, const char*> kCodeTable[] = {
    {"AC1001", "2.5"},  {"AC1002", "2.5"},   {"AC1003", "2.6"},   {"AC1004", "9"},     {"AC1005", "10"},
    {"AC1006", "10"},   {"AC1007", "11/12"}, {"AC1008", "11/12"}, {"AC1009", "11/12"}, {"AC1010", "13"},
    {"AC1011", "13"},   {"AC1012", "13"},    {"AC1013", "14"},    {"AC1014", "14"},    {"AC1015", "2000"},
    {"AC401h", "2004"}, {"AC402b", "2004"},  {"AC1016", "2004"},  {"AC1018", "2004"},  {"AC701a", "2007"},
    {"AC1021", "2007"}, {"AC1024", "2010"},  {"AC1027", "2013"},  {"AC1032", "2018"},
};

std::string AsciiDxf(const std::string& code, const std::string& eol = "\r\n") {
    return "  0" + eol + "SECTION" + eol + "  2" + eol + "HEADER" + eol + "  9" + eol + "$ACADVER" + eol +
           "  1" + eol + code + eol + "  9" + eol + "$INSBASE" + eol;
}

std::string BinaryDxf(const std::string& code) {
    std::string s = "AutoCAD Binary DXF\r\n\x1a";
    s.push_back('\0');
    s += std::string("\0SECTION\0", 9) + std::string("\x02HEADER\0", 8) + std::string("\x09$ACADVER\0", 10) +
         "\x01" + code + std::string("\0", 1);
    return s;
}

TEST(VersionLabels, EveryCodeOfTheTableForDwgAndDxf) {
    for (const auto& [code, label] : kCodeTable) {
        SCOPED_TRACE(code);
        EXPECT_EQ(DwgLabelFromHeader(code), label);
        EXPECT_EQ(DxfLabelFromCode(DxfCodeFromHeader(AsciiDxf(code))), label);
    }
}

TEST(VersionLabels, UnknownAndWrongCaseCodesFallBack) {
    // A later release's code says so; anything else that is no code of ours does not.
    EXPECT_EQ(DwgLabelFromHeader("AC1033"), ">2018");
    EXPECT_EQ(DwgLabelFromHeader("AC1031"), "???");
    EXPECT_EQ(DwgLabelFromHeader("AC10x5"), "???");
    EXPECT_EQ(DwgLabelFromHeader("ac1015"), "???");
    EXPECT_EQ(DwgLabelFromHeader("AC401H"), "???"); // the h is lower case in the table
    EXPECT_EQ(DwgLabelFromHeader("AC701A"), "???");
    EXPECT_EQ(DwgLabelFromHeader("AC10"), "???"); // short file
    EXPECT_EQ(DwgLabelFromHeader(""), "???");
    EXPECT_EQ(DwgLabelFromHeader("AC1015 and more"), "2000");
    EXPECT_EQ(DxfLabelFromCode("AC1033"), "DXF?");
    EXPECT_EQ(DxfLabelFromCode("DXF"), "DXF?");
}

TEST(VersionLabels, DxfHeaderLayouts) {
    EXPECT_EQ(DxfCodeFromHeader(AsciiDxf("AC1009")), "AC1009");
    EXPECT_EQ(DxfCodeFromHeader(AsciiDxf("AC1015")), "AC1015");
    // A bare "0" first line followed by SECTION: taken for 11/12 when byte 48 holds no code.
    EXPECT_EQ(DxfCodeFromHeader("0\r\nSECTION\r\n2\r\nHEADER\r\n9\r\n$ACADVER\r\n1\r\nAC1015\r\n"), "AC1009");
    // LF line ends shift the value; the SECTION at byte 5 still says 11/12.
    EXPECT_EQ(DxfCodeFromHeader(AsciiDxf("AC1018", "\n")), "AC1009");
    // CR LF with the usual head but no version variable: not recognised.
    EXPECT_EQ(DxfLabelFromCode(
                  DxfCodeFromHeader("  0\r\nSECTION\r\n  2\r\nHEADER\r\n  9\r\n$INSBASE\r\n 10\r\n0.0")),
              "DXF?");
}

TEST(VersionLabels, BinaryDxfReadsItsCodeAtByte51) {
    EXPECT_EQ(BinaryDxf("AC1009").find("AC1009"), 50u);
    EXPECT_EQ(DxfCodeFromHeader(BinaryDxf("AC1009")), "AC1009");
    EXPECT_EQ(DxfLabelFromCode(DxfCodeFromHeader(BinaryDxf("AC1009"))), "11/12");
    // Two-byte group codes (release 13 and later) move the value one byte on.
    std::string wide = BinaryDxf("AC1015");
    wide.insert(50, 1, '\0');
    EXPECT_EQ(DxfLabelFromCode(DxfCodeFromHeader(wide)), "DXF?");
}

TEST(VersionLabels, ShortFilesGiveWhatWasRead) {
    EXPECT_EQ(DxfCodeFromHeader(""), "");
    EXPECT_EQ(DxfCodeFromHeader("  0\r\nSECTION"), "");     // SECTION starts at byte 6: no fallback
    EXPECT_EQ(DxfCodeFromHeader("  0\nsection"), "AC1009"); // at byte 5, any letter case
}

class VersionOfFiles : public testing::Test {
protected:
    MemoryFileSystem fs;
};

TEST_F(VersionOfFiles, ByExtensionAndAttributes) {
    fs.addFile("C:\\d\\a.dwg", "AC1015xxxx");
    fs.addFile("C:\\d\\b.DWG", "AC1024");
    fs.addFile("C:\\d\\c.DXF", AsciiDxf("AC1018"));
    fs.addFile("C:\\d\\hidden.dwg", "AC1015", kAttrHidden);
    fs.addFile("C:\\d\\system.dwg", "AC1015", kAttrSystem);
    fs.addFile("C:\\d\\lock.dwl", "AC1015");
    fs.addFile("C:\\d\\empty.dwg", "");
    fs.addFolder("C:\\d\\folder.dwg");
    EXPECT_EQ(DwgVers(fs, "C:\\d\\a.dwg"), "2000");
    EXPECT_EQ(DwgVers(fs, "C:\\d\\b.DWG"), "2010");
    EXPECT_EQ(DwgVers(fs, "C:\\d\\c.DXF"), "2004");
    EXPECT_EQ(DwgVers(fs, "C:\\d\\hidden.dwg"), "");
    EXPECT_EQ(DwgVers(fs, "C:\\d\\system.dwg"), "");
    EXPECT_EQ(DwgVers(fs, "C:\\d\\lock.dwl"), "");
    EXPECT_EQ(DwgVers(fs, "C:\\d\\missing.dwg"), "");
    EXPECT_EQ(DwgVers(fs, "C:\\d\\folder.dwg"), "");
    EXPECT_EQ(DwgVers(fs, "C:\\d\\empty.dwg"), "???");
}

TEST_F(VersionOfFiles, UnreadableFilesFallBackByKind) {
    fs.addFile("C:\\d\\held.dwg", "AC1015").lockedNoSharing = true;
    fs.addFile("C:\\d\\held.dxf", AsciiDxf("AC1015")).lockedNoSharing = true;
    EXPECT_EQ(DwgVers(fs, "C:\\d\\held.dwg"), "???");
    EXPECT_EQ(DwgVers(fs, "C:\\d\\held.dxf"), "DXF?");
    EXPECT_EQ(DxfHeaderVersion(fs, "C:\\d\\held.dxf"), "DXF");
    EXPECT_EQ(DxfHeaderVersion(fs, "C:\\d\\missing.dxf"), "DXF");
}

// The run's one look at a file answers as the helpers it replaces do, for
// every kind of file, and tells a file another program writes.
TEST_F(VersionOfFiles, DrawingFactsAgreeWithTheSingleHelpers) {
    fs.addFile("C:\\d\\free.dwg", std::string(3000, 'x').replace(0, 6, "AC1015"));
    fs.addFile("C:\\d\\ro.dxf", AsciiDxf("AC1018"), kAttrReadOnly);
    fs.addFile("C:\\d\\hidden.dwg", "AC1015", kAttrHidden);
    fs.addFile("C:\\d\\open.dwg", "AC1024").openForWriting = true;
    fs.addFile("C:\\d\\held.dxf", AsciiDxf("AC1015")).lockedNoSharing = true;
    fs.addFolder("C:\\d\\folder.dwg");
    for (const char* name :
         {"free.dwg", "ro.dxf", "hidden.dwg", "open.dwg", "held.dxf", "folder.dwg", "gone.dwg"}) {
        const std::string path = std::string("C:\\d\\") + name;
        SCOPED_TRACE(path);
        const DrawingFacts facts = ReadDrawingFacts(fs, path);
        EXPECT_EQ(facts.exists, FileExists(fs, path));
        EXPECT_EQ(facts.readOnly, facts.exists && IsReadOnly(fs, path));
        EXPECT_EQ(facts.readable, fs.readPrefix(path, 6).has_value());
        EXPECT_EQ(facts.sizeKB, FileSizeKB(fs, path));
        EXPECT_EQ(facts.dateText, FileDateText(fs, path));
        EXPECT_EQ(facts.version, DwgVers(fs, path));
        EXPECT_EQ(facts.openableAlone, facts.readable && std::string(name) != "open.dwg");
    }
}

} // namespace
} // namespace ps
