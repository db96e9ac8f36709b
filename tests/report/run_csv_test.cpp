#include "report/run_csv.h"

#include <gtest/gtest.h>

namespace ps {
namespace {

// A German desk: ";" separates, "," is the decimal sign. A name holding the
// separator and a quote is quoted, one a spreadsheet would run as a formula
// is led by an apostrophe, counts come from the cleaning's record, and a row
// nothing was learnt of keeps its cells empty.
TEST(RunCsv, ExcelReadsItAsItIsWithTheUsersSeparators) {
    DrawingList list;
    DrawingRow a;
    a.cells[kColFilename] = "plan; \"A\".dwg";
    a.cells[kColPath] = "C:\\D";
    a.cells[kColStatus] = "OK";
    a.cells[kColVersion] = "2018";
    a.cells[kColSizeBefore] = "120";
    a.cells[kColSizeAfter] = "80";
    list.append(a);
    DrawingRow b;
    b.cells[kColFilename] = "=cmd.dwg";
    b.cells[kColPath] = "C:\\D";
    b.cells[kColStatus] = "Timeouted";
    b.cells[kColSizeAfter] = " ";
    list.append(b);
    CleaningFacts facts;
    facts.purged = {{"blocks", 2}, {"layers", 3}};
    facts.proxies = 1;
    facts.missingXrefs = {"Site", "Survey"};
    std::map<std::uint64_t, RowDetails> details{{list[0].id, RowDetails{"2004", 12.5, facts, {}, {}}}};
    const std::string csv = RunCsv(list, details, CsvConventions{";", ","});
    const std::string head =
        "\xEF\xBB\xBFname;folder;status;failed;version_before;version_after;size_before_kb;"
        "size_after_kb;seconds;purged_blocks;purged_layers;purged_linetypes;"
        "purged_text_styles;purged_dimension_styles;purged_regapps;proxy_objects;"
        "missing_xrefs;missing_fonts;missing_images\r\n";
    EXPECT_EQ(
        csv,
        head +
            "\"plan; \"\"A\"\".dwg\";C:\\D;OK;false;2004;2018;120;80;12,5;2;3;;;;;1;\"Site; Survey\";;\r\n" +
            "'=cmd.dwg;C:\\D;Timeouted;true;;;;;;;;;;;;;;;\r\n");
}

} // namespace
} // namespace ps
