// The code keeps to the layers ARCHITECTURE.md draws: no folder includes one
// drawn above it, and a folder whose row says it uses no OS headers includes
// neither the Win32 wrappers nor a Windows header.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Layers {
    std::map<std::string, int> level; // folder -> line of the picture, 0 at the top
    std::set<std::string> pure;       // folders whose table row says "none"
};

Layers ReadLayers(const std::string& architecture) {
    Layers layers;
    const auto start = architecture.find("## Layers");
    const auto open = architecture.find("```\n", start);
    const auto close = architecture.find("```", open + 4);
    std::istringstream picture(architecture.substr(open + 4, close - open - 4));
    std::string line;
    for (int row = 0; std::getline(picture, line); ++row) {
        std::istringstream words(line.substr(0, line.find("  ")));
        for (std::string word; words >> word;)
            layers.level[word.substr(0, word.size() - 1)] = row;
    }
    const std::regex tableRow(R"(\| `src/(\w+)/` \|.*\| none \|)");
    for (std::sregex_iterator it(architecture.begin(), architecture.end(), tableRow), end; it != end; ++it)
        layers.pure.insert((*it)[1]);
    return layers;
}

TEST(Architecture, IncludesFollowTheDrawnLayers) {
    const fs::path root = PS_SOURCE_DIR;
    const Layers layers = ReadLayers(ReadText(root / "ARCHITECTURE.md"));
    ASSERT_GE(layers.level.size(), 10u);
    ASSERT_TRUE(layers.pure.contains("run"));
    const std::regex include(R"(#include [<"]([\w./]+)[>"])");
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root / "src")) {
        const std::string ext = entry.path().extension().string();
        if (ext != ".h" && ext != ".cpp")
            continue;
        const std::string folder = fs::relative(entry.path(), root / "src").begin()->string();
        ASSERT_TRUE(layers.level.contains(folder)) << folder << " is not in the picture";
        ++files;
        const std::string text = ReadText(entry.path());
        for (std::sregex_iterator it(text.begin(), text.end(), include), end; it != end; ++it) {
            const std::string target = (*it)[1];
            const auto slash = target.find('/');
            const std::string used = slash == std::string::npos ? "" : target.substr(0, slash);
            if (layers.level.contains(used)) {
                EXPECT_GE(layers.level.at(used), layers.level.at(folder))
                    << entry.path().string() << " includes " << target << ", drawn above it";
            }
            if (layers.pure.contains(folder)) {
                const bool windows = used == "platform" || target == "windows.h" ||
                                     target.ends_with("api.h") || target == "objbase.h" ||
                                     target == "shlobj.h";
                EXPECT_FALSE(windows) << entry.path().string() << " includes " << target;
            }
        }
    }
    EXPECT_GT(files, 100);
}

} // namespace
