#include "startup/batch_args.h"

#include <gtest/gtest.h>

namespace ps {
namespace {

TEST(BatchArgs, TheRunCommandWithEveryOption) {
    const auto p = ParseBatchArgs({"run", "C:\\l.log", "--out", "C:\\o.log", "--set", "timeout=5", "--set",
                                   "R18=AutoCAD R2000 DWG", "--dry-run", "--scripts", "C:\\s", "--report",
                                   "C:\\r.html", "--retry-failed"});
    ASSERT_TRUE(p.args) << p.error;
    EXPECT_EQ(p.args->listFile, "C:\\l.log");
    EXPECT_EQ(p.args->outFile, "C:\\o.log");
    EXPECT_EQ(p.args->overrides, (std::vector<std::pair<std::string, std::string>>{
                                     {"timeout", "5"}, {"R18", "AutoCAD R2000 DWG"}}));
    EXPECT_TRUE(p.args->dryRun);
    EXPECT_EQ(p.args->scriptsFolder, "C:\\s");
    EXPECT_EQ(p.args->reportFile, "C:\\r.html");
    EXPECT_TRUE(p.args->retryFailed);
    EXPECT_EQ(ParseBatchArgs({"run", "l.log"}).args->outFile, "l.log"); // written back by default
    EXPECT_TRUE(ParseBatchArgs({"run", "l.log", "--set", "ScriptFile="}).args.has_value()); // an empty value
}

TEST(BatchArgs, SplitAndMerge) {
    const auto split = ParseBatchArgs({"split", "l.log", "--parts", "3", "--out", "C:\\P"});
    ASSERT_TRUE(split.args) << split.error;
    EXPECT_EQ(split.args->command, BatchCommand::Split);
    EXPECT_EQ(split.args->parts, 3u);
    EXPECT_EQ(split.args->partsFolder, "C:\\P");
    EXPECT_EQ(split.args->outFile, "l.log"); // the list is written back expanded
    EXPECT_FALSE(ParseBatchArgs({"split", "l.log", "--parts", "3"}).args);
    EXPECT_FALSE(ParseBatchArgs({"split", "l.log", "--parts", "0", "--out", "C:\\P"}).args);
    const auto merge = ParseBatchArgs({"merge", "l.log", "p1.log", "p2.log"});
    ASSERT_TRUE(merge.args) << merge.error;
    EXPECT_EQ(merge.args->partFiles, (std::vector<std::string>{"p1.log", "p2.log"}));
    EXPECT_FALSE(ParseBatchArgs({"merge", "l.log"}).args);
    EXPECT_EQ(ParseBatchArgs({"condor", "l.log", "--parts", "4", "--out", "C:\\P"}).args->command,
              BatchCommand::Condor);
    EXPECT_FALSE(ParseBatchArgs({"condor", "l.log", "--out", "C:\\P"}).args);
}

TEST(BatchArgs, UsageErrors) {
    for (const auto& args : std::vector<std::vector<std::string>>{{},
                                                                  {"go", "l.log"},
                                                                  {"run"},
                                                                  {"run", "a.log", "b.log"},
                                                                  {"run", "l.log", "--out"},
                                                                  {"run", "l.log", "--report"},
                                                                  {"run", "l.log", "--set", "NoSuchKey=1"},
                                                                  {"run", "l.log", "--set", "Timeout"},
                                                                  {"run", "l.log", "--set", "=1"},
                                                                  {"run", "l.log", "--fast"},
                                                                  {"run", "l.log", "--set", "prodname="},
                                                                  {"run", "l.log", "--scripts", "C:\\s"}}) {
        const auto p = ParseBatchArgs(args);
        EXPECT_FALSE(p.args.has_value()) << ::testing::PrintToString(args);
        EXPECT_FALSE(p.error.empty());
    }
}

// Help wherever it is asked for; it names every switch of the usage line.
TEST(BatchArgs, HelpIsAskedForAndNamesEverySwitch) {
    for (const auto& args :
         std::vector<std::vector<std::string>>{{"--help"}, {"-h"}, {"/?"}, {"run", "l.log", "/?"}})
        EXPECT_TRUE(ParseBatchArgs(args).help) << ::testing::PrintToString(args);
    EXPECT_FALSE(ParseBatchArgs({"run", "l.log"}).help);
    const std::string usage = kBatchUsage;
    for (std::size_t at = usage.find("--"); at != std::string::npos; at = usage.find("--", at + 2)) {
        const std::string option = usage.substr(at, usage.find_first_of(" ]", at) - at);
        EXPECT_NE(std::string(kBatchHelp).find("  " + option), std::string::npos) << option;
    }
}

// Values the settings dialog would refuse are refused before anything runs.
TEST(BatchArgs, SettingValuesFollowTheDialogsRules) {
    for (const char* bad :
         {"Timeout=abc", "Timeout=99999999999", "PurgeTimes=-1", "DeleteDays=1.5", "ISAVEPERCENT=101",
          "INDEXCTL=4", "R16=AutoCAD R3000 DWG", "R18=AutoCAD R12/LT2 DWG", "PurgeAll=yes"}) {
        const auto p = ParseBatchArgs({"run", "l.log", "--set", bad});
        EXPECT_FALSE(p.args.has_value()) << bad;
    }
    EXPECT_EQ(ParseBatchArgs({"run", "l.log", "--set", "Timeout=abc"}).error,
              "Timeout must be a whole number from 0 to 100000, not \"abc\"");
    for (const char* good : {"Timeout=300", "ISAVEPERCENT=-1", "R12=AutoCAD R12/LT2 DWG", "PurgeAll=-1"})
        EXPECT_TRUE(ParseBatchArgs({"run", "l.log", "--set", good}).args.has_value()) << good;
}

} // namespace
} // namespace ps
