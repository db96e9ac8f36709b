#include "startup/batch_args.h"

#include <gtest/gtest.h>

namespace ps {
namespace {

TEST(BatchArgs, TheRunCommandWithEveryOption) {
    const auto p = ParseBatchArgs({"run", "C:\\l.log", "--out", "C:\\o.log", "--set", "timeout=5", "--set",
                                   "R18=AutoCAD R2000 DWG", "--dry-run", "--scripts", "C:\\s"});
    ASSERT_TRUE(p.args) << p.error;
    EXPECT_EQ(p.args->listFile, "C:\\l.log");
    EXPECT_EQ(p.args->outFile, "C:\\o.log");
    EXPECT_EQ(p.args->overrides, (std::vector<std::pair<std::string, std::string>>{
                                     {"timeout", "5"}, {"R18", "AutoCAD R2000 DWG"}}));
    EXPECT_TRUE(p.args->dryRun);
    EXPECT_EQ(p.args->scriptsFolder, "C:\\s");
    EXPECT_EQ(ParseBatchArgs({"run", "l.log"}).args->outFile, "l.log"); // written back by default
    EXPECT_TRUE(ParseBatchArgs({"run", "l.log", "--set", "ScriptFile="}).args.has_value()); // an empty value
}

TEST(BatchArgs, UsageErrors) {
    for (const auto& args : std::vector<std::vector<std::string>>{{},
                                                                  {"go", "l.log"},
                                                                  {"run"},
                                                                  {"run", "a.log", "b.log"},
                                                                  {"run", "l.log", "--out"},
                                                                  {"run", "l.log", "--set", "NoSuchKey=1"},
                                                                  {"run", "l.log", "--set", "Timeout"},
                                                                  {"run", "l.log", "--set", "=1"},
                                                                  {"run", "l.log", "--fast"},
                                                                  {"run", "l.log", "--scripts", "C:\\s"}}) {
        const auto p = ParseBatchArgs(args);
        EXPECT_FALSE(p.args.has_value()) << ::testing::PrintToString(args);
        EXPECT_FALSE(p.error.empty());
    }
}

} // namespace
} // namespace ps
