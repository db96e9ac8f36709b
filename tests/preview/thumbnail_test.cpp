#include "preview/thumbnail.h"

#include "sample_drawings.h"
#include "support/corpus.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

namespace ps {
namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// One image entry as the corpus manifest lists it: "2@207+31304[bmp:216x140,8bpp]".
struct ListedEntry {
    int code, start, size;
    std::string kind;
    int width = 0, height = 0, bpp = 0;
};

std::vector<ListedEntry> ParseEntries(const std::string& column) {
    std::vector<ListedEntry> entries;
    const std::regex token(R"((\d+)@(\d+)\+(\d+)(?:\[(bmp|png):(\d+)x(\d+)(?:,(\d+)bpp)?\])?)");
    for (auto it = std::sregex_iterator(column.begin(), column.end(), token); it != std::sregex_iterator();
         ++it) {
        const auto& m = *it;
        ListedEntry e{std::stoi(m[1]), std::stoi(m[2]), std::stoi(m[3]), m[4], 0, 0, 0};
        if (m[5].matched) {
            e.width = std::stoi(m[5]);
            e.height = std::stoi(m[6]);
        }
        if (m[7].matched)
            e.bpp = std::stoi(m[7]);
        entries.push_back(e);
    }
    return entries;
}

TEST(CorpusThumbnails, EveryDrawingYieldsTheImagesItsManifestLists) {
    const std::string manifest = ReadAll(test::CorpusPath("MANIFEST.tsv"));
    if (test::CorpusDir().empty() || manifest.empty())
        GTEST_SKIP() << "no corpus";
    std::istringstream lines(manifest);
    std::string line;
    std::getline(lines, line); // header
    int checked = 0;
    while (std::getline(lines, line)) {
        std::vector<std::string> cols;
        std::stringstream fields(line);
        for (std::string f; std::getline(fields, f, '\t');)
            cols.push_back(f);
        if (cols.size() < 13 || cols[0].size() < 4 || cols[0].substr(cols[0].size() - 4) != ".dwg")
            continue;
        SCOPED_TRACE(cols[0]);
        const std::string whole = ReadAll(test::CorpusPath(cols[0]));
        // What the extent asks for, read step by step, gives the same pictures.
        std::string head;
        for (auto want = ImageAreaExtent(head, whole.size()); want > head.size();
             want = ImageAreaExtent(head, whole.size()))
            head = whole.substr(0, want);
        const ImageArea area = ReadImageArea(head, true);
        ASSERT_EQ(area.pictures.size(), ReadImageArea(whole, true).pictures.size());
        const auto listed = ParseEntries(cols[12]);
        std::vector<ListedEntry> pictures;
        for (const auto& e : listed)
            if (e.kind == "bmp" || e.kind == "png")
                pictures.push_back(e);
        ASSERT_EQ(area.pictures.size(), pictures.size());
        for (std::size_t i = 0; i < pictures.size(); ++i) {
            const auto& want = pictures[i];
            const auto& got = area.pictures[i];
            if (want.kind == "bmp") {
                EXPECT_EQ(got.code, kEntryBitmap);
                EXPECT_EQ(got.dib.width, want.width);
                EXPECT_EQ(got.dib.height, want.height);
                EXPECT_EQ(got.dib.bitCount, want.bpp);
                EXPECT_EQ(got.dib.paletteEntries, want.bpp == 8 ? 256u : 0u);
            } else {
                EXPECT_EQ(got.code, kEntryPng);
                EXPECT_EQ(got.png.width, want.width);
                EXPECT_EQ(got.png.height, want.height);
                EXPECT_EQ(static_cast<int>(got.png.bytes.size()), want.size);
            }
        }
        if (!listed.empty()) {
            EXPECT_TRUE(area.readable);
            EXPECT_EQ(area.entries.size(), listed.size());
            EXPECT_EQ(area.wantsDefaultBitmap(), listed.size() <= 1);
        }
        ++checked;
    }
    EXPECT_GE(checked, 20);
}

// An image area from the sample generator, with its bitmap entry's start at `at`.
std::string Sample(int width = 20, int height = 10) {
    return samples::SampleDwg("AC1015", samples::Thumbnail{width, height, 3}, 16);
}

std::size_t AreaStart(const std::string& file) {
    return static_cast<std::uint8_t>(file[13]) | static_cast<std::uint8_t>(file[14]) << 8;
}

TEST(Thumbnails, PaletteRuleSwapsBlackAndWhiteOnlyOnBlack) {
    const std::string file = Sample();
    const ImageArea black = ReadImageArea(file, true);
    const ImageArea white = ReadImageArea(file, false);
    ASSERT_EQ(black.pictures.size(), 1u);
    ASSERT_EQ(white.pictures.size(), 1u);
    const auto entry = [](const ImageArea& a, int i) {
        const auto* p = &a.pictures[0].dib.info[40 + 4 * static_cast<std::size_t>(i)];
        return std::vector<int>{p[2], p[1], p[0]}; // red, green, blue
    };
    EXPECT_EQ(entry(white, 0), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(entry(black, 0), (std::vector<int>{255, 255, 255}));
    EXPECT_EQ(entry(white, 7), (std::vector<int>{255, 255, 255}));
    EXPECT_EQ(entry(black, 7), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(entry(black, 128), (std::vector<int>{128, 128, 128}));
    EXPECT_EQ(entry(black, 1), (std::vector<int>{255, 0, 0}));
    EXPECT_EQ(black.pictures[0].dib.pixels, white.pictures[0].dib.pixels);
    EXPECT_EQ(black.pictures[0].dib.pixels.size(), 20u * 10u);
}

TEST(Thumbnails, HeaderOnlyEmptyAndMetafileOnlyAreas) {
    std::string file = Sample();
    const std::size_t p = AreaStart(file);
    file[p + 20] = 1; // only the header entry
    EXPECT_TRUE(ReadImageArea(file, true).wantsDefaultBitmap());
    EXPECT_TRUE(ReadImageArea(file, true).pictures.empty());
    file[p + 20] = 0;
    EXPECT_TRUE(ReadImageArea(file, true).wantsDefaultBitmap());
    file[p + 20] = 2;
    file[p + 21 + 9] = 3; // the bitmap entry is a metafile now
    const ImageArea meta = ReadImageArea(file, true);
    EXPECT_FALSE(meta.wantsDefaultBitmap());
    EXPECT_TRUE(meta.pictures.empty());
}

TEST(Thumbnails, TruncatedOrLyingOffsetsGiveNoImage) {
    const std::string file = Sample();
    const std::size_t p = AreaStart(file);
    for (std::size_t cut :
         {std::size_t{0}, std::size_t{12}, std::size_t{16}, p, p + 20, p + 30, p + 60, file.size() - 40})
        EXPECT_TRUE(ReadImageArea(file.substr(0, cut), true).pictures.empty()) << cut;

    std::string lying = file;
    lying[13] = '\xF0'; // area offset past the end
    lying[16] = '\x7F';
    EXPECT_FALSE(ReadImageArea(lying, true).readable);
    lying = file;
    lying[16] = '\x80'; // negative offset: before the file's start, which the caller is told
    EXPECT_FALSE(ReadImageArea(lying, true).readable);
    EXPECT_TRUE(ReadImageArea(lying, true).offsetBeforeStart);
    lying = file;
    lying[p + 20] = '\xFF'; // 255 entries that are not there
    EXPECT_FALSE(ReadImageArea(lying, true).readable);
    lying = file;
    const std::size_t bitmap = p + 21 + 9 + 1;
    lying[bitmap + 3] = '\x7F'; // the bitmap's start far away
    EXPECT_TRUE(ReadImageArea(lying, true).pictures.empty());
    EXPECT_FALSE(ReadImageArea(lying, true).offsetBeforeStart);
    lying[bitmap + 3] = '\x80'; // and before the start
    EXPECT_TRUE(ReadImageArea(lying, true).offsetBeforeStart);

    // A header that claims a huge picture.
    std::string huge = file;
    const std::size_t start =
        static_cast<std::uint8_t>(file[bitmap]) | static_cast<std::uint8_t>(file[bitmap + 1]) << 8;
    huge[start + 4] = '\x00';
    huge[start + 5] = '\x00';
    huge[start + 6] = '\x01'; // width 65536
    EXPECT_TRUE(ReadImageArea(huge, true).pictures.empty());
    huge = file;
    huge[start + 8] = '\x00'; // rows that run past the end of the file
    huge[start + 9] = '\x10';
    EXPECT_TRUE(ReadImageArea(huge, true).pictures.empty());
    huge = file;
    huge[start + 20] = '\xFF'; // an image size larger than the rows: the rows count
    huge[start + 21] = '\xFF';
    EXPECT_EQ(ReadImageArea(huge, true).pictures.size(), 1u);
}

TEST(Thumbnails, PreR13FilesHaveNoImageAndNoError) {
    std::string file = "AC1009" + std::string(200, '\0');
    file[13] = '\x03';
    file[14] = '\x00';
    file[15] = '\x05'; // 327683, as in real R12 files
    const ImageArea area = ReadImageArea(file, true);
    EXPECT_FALSE(area.readable);
    EXPECT_TRUE(area.pictures.empty());
    EXPECT_FALSE(area.wantsDefaultBitmap());
}

} // namespace
} // namespace ps
