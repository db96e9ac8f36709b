// The version rules over real drawings of every release.
#include "core/memory_file_system.h"
#include "drawinglist/version.h"
#include "support/corpus.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace ps {
namespace {

TEST(CorpusVersions, EveryFileGetsTheLabelOfTheRules) {
    const auto files = test::CorpusFiles();
    if (files.empty())
        GTEST_SKIP() << "no corpus folder at " << PS_CORPUS_DIR;
    // Each drawing's bytes under a Windows path, as the program would meet it.
    MemoryFileSystem fs;
    std::size_t checked = 0;
    for (const auto& [file, label] : test::CorpusVersionLabels()) {
        std::ifstream in(test::CorpusPath(file), std::ios::binary);
        if (!in)
            continue;
        std::stringstream bytes;
        bytes << in.rdbuf();
        const std::string path = std::string("C:\\Corpus\\") + file;
        fs.addFile(path, bytes.str());
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
