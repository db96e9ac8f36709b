#include "drawinglist/condor_files.h"

#include <gtest/gtest.h>

namespace ps {
namespace {

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Paths with blanks and a quote reach plansweeper-batch whole: each part is a
// DAG node run again when its desk is lost, with the command's settings,
// as the submitting user on a desk that has AutoCAD; the merge is the final
// node and names every part.
TEST(CondorFiles, EveryPartANodeAndTheMergeLast) {
    const std::vector<std::string> parts{"\\\\srv\\plans\\parts\\list part 1 of 2.log",
                                         "\\\\srv\\plans\\parts\\Bob's part 2 of 2.log"};
    const CondorFiles f =
        MakeCondorFiles("C:\\Program Files\\Plansweeper\\plansweeper-batch.exe", "\\\\srv\\plans\\list.log",
                        parts, {{"Timeout", "600"}}, "\\\\srv\\plans\\parts");
    EXPECT_TRUE(Has(f.dag, "JOB part1 plansweeper-part.sub\r\n"
                           "VARS part1 part=\"\\\\\\\\srv\\\\plans\\\\parts\\\\list part 1 of 2.log\"\r\n"
                           "RETRY part1 2\r\n"))
        << f.dag;
    EXPECT_TRUE(Has(f.dag, "VARS part2 part=\"\\\\\\\\srv\\\\plans\\\\parts\\\\Bob''s part 2 of 2.log\""))
        << f.dag;
    EXPECT_TRUE(f.dag.ends_with("FINAL merge plansweeper-merge.sub\r\n")) << f.dag;
    EXPECT_TRUE(Has(f.partSubmit, "executable = C:\\Program Files\\Plansweeper\\plansweeper-batch.exe\r\n"));
    EXPECT_TRUE(Has(f.partSubmit, "arguments = \"run '$(part)' --set 'Timeout=600'\"\r\n")) << f.partSubmit;
    EXPECT_TRUE(Has(f.partSubmit, "run_as_owner = true\r\n"));
    EXPECT_TRUE(Has(f.partSubmit, "(PLANSWEEPER_AUTOCAD =?= true)"));
    EXPECT_TRUE(Has(f.mergeSubmit, "arguments = \"merge '\\\\srv\\plans\\list.log' "
                                   "'\\\\srv\\plans\\parts\\list part 1 of 2.log' "
                                   "'\\\\srv\\plans\\parts\\Bob''s part 2 of 2.log'\"\r\n"))
        << f.mergeSubmit;
}

} // namespace
} // namespace ps
