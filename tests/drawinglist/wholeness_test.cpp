// Saved drawings cut short are told from whole ones by what their headers
// declare: real drawings of every release, and the sample frames the
// stand-in AutoCAD writes.
#include "drawinglist/wholeness.h"

#include "core/memory_file_system.h"
#include "sample_drawings.h"
#include "support/corpus.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace ps {
namespace {

Wholeness Check(const std::string& name, const std::string& bytes) {
    MemoryFileSystem fs;
    fs.addFile("C:\\D\\" + name, bytes);
    return SavedDrawingWholeness(fs, "C:\\D\\" + name);
}

// Every real drawing is whole; cut in half, every one whose header declares
// something past the cut is found out.
TEST(Wholeness, RealDrawingsAreWholeAndTheirHalvesAreNot) {
    const auto files = test::CorpusFiles();
    if (files.empty())
        GTEST_SKIP() << "no corpus folder at " << PS_CORPUS_DIR;
    int whole = 0;
    int cut = 0;
    for (const auto& name : files) {
        if (name == "MANIFEST.tsv")
            continue;
        std::ifstream in(test::CorpusPath(name), std::ios::binary);
        std::stringstream read;
        read << in.rdbuf();
        const std::string bytes = read.str();
        const Wholeness full = Check(name, bytes);
        EXPECT_NE(full, Wholeness::Cut) << name;
        if (full != Wholeness::Whole)
            continue;
        ++whole;
        const std::string half = bytes.substr(0, bytes.size() / 2);
        const auto end = R13SectionsEnd(half);
        if (end && *end <= half.size())
            continue; // its sections all lie in the first half
        EXPECT_EQ(Check(name, half), Wholeness::Cut) << name;
        ++cut;
    }

    // DXF of every kind, R13 to 2000 and the 2004 layout of the releases the
    // program writes (2004, 2010, 2013, 2018).
    EXPECT_GE(whole, 30);
    EXPECT_GE(cut, 29);
}

TEST(Wholeness, SampleFramesDeclareTheirOwnEnd) {
    for (const char* code : {"AC1015", "AC1018", "AC1024", "AC1032"}) {
        const std::string dwg = samples::SampleDwg(code, samples::Thumbnail{}, 3000);
        EXPECT_EQ(Check("s.dwg", dwg), Wholeness::Whole) << code;
        EXPECT_EQ(Check("s.dwg", dwg.substr(0, dwg.size() - 1)), Wholeness::Cut) << code;
        // Framed again after a change, as a save does.
        EXPECT_EQ(Check("s.dwg", samples::FrameDwg(samples::UnframedDwg(dwg) + "more")), Wholeness::Whole);
    }
    // Bytes that are no header give no evidence, never a verdict.
    EXPECT_EQ(Check("x.dwg", "AC1015" + std::string(2042, 'x')), Wholeness::NoEvidence);
    EXPECT_EQ(Check("x.dwg", "AC1024" + std::string(2042, 'x')), Wholeness::NoEvidence);
    EXPECT_EQ(Check("e.dxf", "  0\r\nSECTION\r\n  0\r\nEOF\r\n"), Wholeness::Whole);
    EXPECT_EQ(Check("e.dxf", "  0\r\nSECTION\r\n  0\r\nLINE\r\n  8\r\n0"), Wholeness::Cut);
    // "EOF" as the value of another group is text in the drawing, not its end.
    EXPECT_EQ(Check("e.dxf", "  0\r\nSECTION\r\n  0\r\nTEXT\r\n  1\r\nEOF\r\n"), Wholeness::Cut);
}

// Names written in capitals are checked like any other.
TEST(Wholeness, ExtensionsInCapitalsAreChecked) {
    const std::string dwg = samples::SampleDwg("AC1032", samples::Thumbnail{}, 3000);
    EXPECT_EQ(Check("S.DWG", dwg.substr(0, dwg.size() - 1)), Wholeness::Cut);
    EXPECT_EQ(Check("E.DXF", "  0\r\nSECTION\r\n  0\r\nLINE\r\n"), Wholeness::Cut);
}

} // namespace
} // namespace ps
