#include "support/corpus.h"

#include <algorithm>
#include <filesystem>

namespace ps::test {

namespace {

std::string HostCorpusDir() {
    std::error_code ec;
    const std::filesystem::path dir(PS_CORPUS_DIR);
    if (!std::filesystem::is_directory(dir, ec))
        return {};
    return std::filesystem::weakly_canonical(dir, ec).string();
}

} // namespace

std::string CorpusDir() {
    std::string dir = HostCorpusDir();
#ifdef _WIN32
    // Wine maps the host's root to drive Z:.
    if (!dir.empty() && dir.front() == '/') {
        std::replace(dir.begin(), dir.end(), '/', '\\');
        dir = "Z:" + dir;
    }
#endif
    return dir;
}

std::string CorpusPath(const std::string& name) {
#ifdef _WIN32
    return CorpusDir() + "\\" + name;
#else
    return CorpusDir() + "/" + name;
#endif
}

std::vector<std::string> CorpusFiles() {
    std::vector<std::string> names;
    const std::string dir = HostCorpusDir();
    if (dir.empty())
        return names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
        const auto name = entry.path().filename().string();
        const auto ext = entry.path().extension().string();
        if (entry.is_regular_file() && (ext == ".dwg" || ext == ".dxf"))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

const std::vector<CorpusLabel>& CorpusVersionLabels() {
    static const std::vector<CorpusLabel> labels = {
        {"acs_sample_AC1009_binary.dxf", "11/12"},
        {"acs_sample_AC1014.dwg", "14"},
        {"acs_sample_AC1015.dwg", "2000"},
        {"acs_sample_AC1015_binary.dxf", "DXF?"},
        {"acs_sample_AC1018.dwg", "2004"},
        {"acs_sample_AC1021.dwg", "2007"},
        {"acs_sample_AC1024.dwg", "2010"},
        {"acs_sample_AC1027.dwg", "2013"},
        {"acs_sample_AC1032.dwg", "2018"},
        {"acs_sample_AC1032_binary.dxf", "DXF?"},
        {"ldwg_2000_PolyLine2D.dwg", "2000"},
        {"ldwg_2000_entities-2d.dxf", "2000"},
        {"ldwg_2004_Line.dwg", "2004"},
        {"ldwg_2004_material.dwg", "2004"},
        {"ldwg_2007_ATMOS-DC22S.dwg", "2007"},
        {"ldwg_2007_Line.dwg", "2007"},
        {"ldwg_2010_Line.dwg", "2010"},
        {"ldwg_2010_gh209_1.dwg", "2010"},
        {"ldwg_2013_Line.dwg", "2013"},
        {"ldwg_2018_Line.dwg", "2018"},
        {"ldwg_example_r13.dwg", "13"},
        {"ldwg_r10_entities.dwg", "10"},
        {"ldwg_r10_entities.dxf", "10"},
        {"ldwg_r11_entities-2d.dwg", "11/12"},
        {"ldwg_r12_Leader.dxf", "11/12"}, // LF line ends: the SECTION fallback
        {"ldwg_r13_v.dxf", "13"},
        {"ldwg_r14_v.dwg", "14"},
        {"ldwg_r2.10_entities.dwg", "???"},
        {"ldwg_sample_2000.dwg", "2000"},
        {"ldwg_sample_2004.dxf", "2004"},
        {"ldwg_sample_2007.dxf", "2007"},
        {"ldwg_sample_2010.dxf", "2010"},
        {"ldwg_sample_2013.dxf", "2013"},
        {"ldwg_sample_2018.dwg", "2018"},
        {"ldwg_sample_2018.dxf", "2018"},
        {"ldwg_sample_r14.dxf", "14"},
    };
    return labels;
}

} // namespace ps::test
