#include "report/png_writer.h"
#include "report/run_report.h"

#include "core/memory_file_system.h"
#include "support/corpus.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace ps {
namespace {

std::uint32_t Big32(const std::string& s, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(s[at])) << 24 |
           static_cast<unsigned char>(s[at + 1]) << 16 | static_cast<unsigned char>(s[at + 2]) << 8 |
           static_cast<unsigned char>(s[at + 3]);
}

// The pixels of a PNG this writer made: its one IDAT's stored blocks,
// unfiltered rows of RGB.
std::vector<std::uint32_t> StoredPixels(const std::string& png, std::uint32_t& width, std::uint32_t& height) {
    width = Big32(png, 16);
    height = Big32(png, 20);
    std::size_t at = 8;
    std::string idat;
    while (at + 8 <= png.size()) {
        const std::uint32_t n = Big32(png, at);
        if (png.compare(at + 4, 4, "IDAT") == 0)
            idat = png.substr(at + 8, n);
        at += 12 + n;
    }
    std::string raw;
    for (std::size_t p = 2; p + 5 <= idat.size();) {
        const std::size_t n =
            static_cast<unsigned char>(idat[p + 1]) | static_cast<unsigned char>(idat[p + 2]) << 8;
        raw += idat.substr(p + 5, n);
        const bool last = idat[p] == 1;
        p += 5 + n;
        if (last)
            break;
    }
    std::vector<std::uint32_t> pixels;
    for (std::size_t y = 0; y < height; ++y)
        for (std::size_t x = 0; x < width; ++x) {
            const std::size_t i = y * (1 + 3 * width) + 1 + 3 * x;
            pixels.push_back(static_cast<std::uint32_t>(static_cast<unsigned char>(raw[i])) << 16 |
                             static_cast<unsigned char>(raw[i + 1]) << 8 |
                             static_cast<unsigned char>(raw[i + 2]));
        }
    return pixels;
}

// An 8-bit bottom-up bitmap becomes top-down RGB with its palette's colours.
TEST(RunReport, BitmapThumbnailsBecomePngsWithTheirColoursTheRightWayUp) {
    DibImage dib;
    dib.width = 2;
    dib.height = 2;
    dib.bitCount = 8;
    dib.paletteEntries = 2;
    dib.info.assign(40, 0);
    dib.info[0] = 40;
    for (std::uint8_t c : {0x00, 0x00, 0xFF, 0x00, 0x00, 0xFF, 0x00, 0x00}) // red, green (BGRX)
        dib.info.push_back(c);
    dib.pixels = {1, 1, 0, 0, 0, 0, 0, 0}; // bottom row green, top row red (rows of 4 bytes)
    const auto png = DibToPng(dib);
    ASSERT_TRUE(png.has_value());
    EXPECT_EQ(png->substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    std::uint32_t w = 0, h = 0;
    EXPECT_EQ(StoredPixels(*png, w, h), (std::vector<std::uint32_t>{0xFF0000, 0xFF0000, 0x00FF00, 0x00FF00}));
    dib.pixels.resize(4); // rows missing
    EXPECT_FALSE(DibToPng(dib).has_value());
}

// The head of a PNG as far as the report reads it: signature, IHDR, size.
std::string FakePng(std::uint32_t w, std::uint32_t h, const std::string& tag) {
    std::string png = std::string("\x89PNG\r\n\x1a\n", 8) + std::string("\0\0\0\x0dIHDR", 8);
    for (std::uint32_t v : {w, h})
        for (int shift = 24; shift >= 0; shift -= 8)
            png.push_back(static_cast<char>(v >> shift & 0xFF));
    return png + tag;
}

// Failures first; text escaped; a picture shared by drawings (and shown
// again in the failures) stored once; the cleaning's counts and missing
// references per drawing and added up in the totals, with the space saved.
TEST(RunReport, FailuresFirstPicturesOnceAndWhatTheCleaningDid) {
    DrawingList list;
    for (const auto& [name, st] : std::vector<std::pair<std::string, std::string>>{
             {"ok.dwg", "OK"}, {"a<b>.dwg", "Not saved"}, {"later.dwg", ""}, {"twin.dwg", "OK"}}) {
        DrawingRow row;
        row.cells[kColFilename] = name;
        row.cells[kColPath] = "C:\\D";
        row.cells[kColStatus] = st;
        row.cells[kColSizeBefore] = "100";
        row.cells[kColSizeAfter] = "70";
        list.append(row);
    }
    CleaningFacts f;
    f.purged = {{"layers", 3}, {"text_styles", 1}};
    f.missingXrefs = {"Site"};
    std::map<std::uint64_t, RowDetails> details{{list[0].id, {"2004", 1, f, {}, {}}}, {list[3].id, {"2004", 1, f, {}, {}}}};
    const std::string html = RunReportHtml(
        list,
        {"2026-12-07 20:00",
         "Application:\r\nAutoCAD 2026\r\n\r\nTotal files: \r\n4\r\nTotal files OK: \r\n2", &details},
        [](const DrawingRow& row) -> std::optional<std::string> {
            if (row.cell(kColFilename) == "later.dwg")
                return std::nullopt;
            return FakePng(40, 30, row.cell(kColFilename) == "a<b>.dwg" ? "own" : "shared");
        });
    const auto failures = html.find("<h2>Failures (1)</h2>");
    const auto every = html.find("<h2>Every drawing (4)</h2>");
    ASSERT_NE(failures, std::string::npos);
    ASSERT_NE(every, std::string::npos);
    EXPECT_LT(failures, html.find("a&lt;b&gt;.dwg"));
    EXPECT_LT(html.find("a&lt;b&gt;.dwg"), every);
    EXPECT_EQ(html.find("a<b>"), std::string::npos);
    EXPECT_NE(html.find("<td>Total files OK</td><td>2</td>"), std::string::npos);
    EXPECT_NE(html.find("<td>Objects purged</td><td>6 layers, 2 text styles</td>"), std::string::npos)
        << html;
    EXPECT_NE(html.find("<td>Drawings with missing references</td><td>2</td>"), std::string::npos);
    EXPECT_NE(html.find("<td>Space saved</td><td>60 KB</td>"), std::string::npos);
    EXPECT_NE(html.find("<div class=\"c\">3 layers, 1 text style</div>"), std::string::npos);
    EXPECT_NE(html.find("<div class=\"c\">xref Site</div>"), std::string::npos);
    // Two distinct pictures, each stored once; four cells show them.
    std::size_t stored = 0, shown = 0;
    for (auto at = html.find("data:image/png;base64,"); at != std::string::npos;
         at = html.find("data:image/png;base64,", at + 1))
        ++stored;
    for (auto at = html.find("<use href=\"#p"); at != std::string::npos;
         at = html.find("<use href=\"#p", at + 1))
        ++shown;
    EXPECT_EQ(stored, 2u);
    EXPECT_EQ(shown, 4u); // ok, a<b> twice (failures and every drawing), twin
    EXPECT_NE(html.find("viewBox=\"0 0 40 30\""), std::string::npos);
    EXPECT_NE(html.find("Not processed"), std::string::npos);
    EXPECT_NE(html.find("@page { size: landscape;"), std::string::npos);
    EXPECT_NE(html.find("<thead>"), std::string::npos);
    EXPECT_EQ(html.find("<script"), std::string::npos);
}

// A real drawing's bitmap thumbnail, read through its image area only.
TEST(RunReport, ThumbnailsOfRealDrawings) {
    const std::string path = test::CorpusPath("acs_sample_AC1018.dwg");
    std::ifstream in(path, std::ios::binary);
    if (!in)
        GTEST_SKIP() << "no corpus";
    std::stringstream bytes;
    bytes << in.rdbuf();
    MemoryFileSystem fs;
    fs.addFile("C:\\d\\a.dwg", bytes.str());
    fs.addFile("C:\\d\\none.dwg", "AC1015" + std::string(100, '\0'));
    const auto png = ThumbnailPng(fs, "C:\\d\\a.dwg");
    ASSERT_TRUE(png.has_value());
    EXPECT_EQ(png->substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    EXPECT_FALSE(ThumbnailPng(fs, "C:\\d\\none.dwg").has_value());
}

} // namespace
} // namespace ps
