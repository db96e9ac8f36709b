// The folder of real DWG/DXF files beside the project, and what the version
// rules make of each of them. Tests that use it skip when it is absent.
#pragma once

#include <string>
#include <vector>

namespace ps::test {

// The corpus folder as the running program addresses it (a Windows path under
// Wine), or empty when it does not exist.
std::string CorpusDir();
std::string CorpusPath(const std::string& name);
// File names in the corpus folder, sorted.
std::vector<std::string> CorpusFiles();

struct CorpusLabel {
    const char* file;
    const char* label;
};
// The version label of every corpus file. Binary DXF files of 2000 and later
// read as "DXF?": their two-byte group codes put the code past byte 51.
const std::vector<CorpusLabel>& CorpusVersionLabels();

} // namespace ps::test
