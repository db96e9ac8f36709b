// The version rules over real drawings of every release.
#include "drawinglist/version.h"
#include "support/corpus.h"
#include "support/host_file_system.h"

#include <gtest/gtest.h>

namespace ps {
namespace {

TEST(CorpusVersions, EveryFileGetsTheLabelOfTheRules) {
    const auto files = test::CorpusFiles();
    if (files.empty())
        GTEST_SKIP() << "no corpus folder at " << PS_CORPUS_DIR;
    test::HostFileSystem fs;
    std::size_t checked = 0;
    for (const auto& [file, label] : test::CorpusVersionLabels()) {
        const std::string path = test::CorpusPath(file);
        if (!fs.attributes(path))
            continue;
        EXPECT_EQ(DwgVers(fs, path), label) << file;
        ++checked;
    }
    EXPECT_GT(checked, 0u);
    // A file the table does not know is a new kind of test data: say so.
    for (const auto& name : files) {
        bool known = false;
        for (const auto& row : test::CorpusVersionLabels())
            known = known || name == row.file;
        EXPECT_TRUE(known) << name << " has no expected label";
    }
}

} // namespace
} // namespace ps
