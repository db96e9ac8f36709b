// The companion AutoLISP source: what the scripts call must be there and must
// never wait for input.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

namespace {

std::string Source() {
    std::ifstream in(PS_SOURCE_DIR "/companion/Plansweeper.lsp", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The source with comments removed and every string replaced by "".
std::string CodeOnly(const std::string& source) {
    std::string code;
    bool inString = false;
    for (std::size_t i = 0; i < source.size(); ++i) {
        const char c = source[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"') {
                inString = false;
                code += '"';
            }
        } else if (c == '"') {
            inString = true;
            code += '"';
        } else if (c == ';') {
            while (i < source.size() && source[i] != '\n')
                ++i;
            code += '\n';
        } else {
            code += c;
        }
    }
    return code;
}

TEST(Companion, DefinesEveryNameTheScriptsCall) {
    const std::string code = CodeOnly(Source());
    ASSERT_FALSE(code.empty());
    for (const char* name :
         {"DeleteLayerFilters", "DeleteLayerStates", "LmanKill", "deleteAllPageSetups", "DelACAD_VBA",
          "PurgeAPPID", "PurgeAnonymGroups", "PurgeAllGroups", "PurgeAllNOD"}) {
        EXPECT_TRUE(std::regex_search(code, std::regex("\\(defun " + std::string(name) + "\\s*\\(")))
            << name << " is not defined as a function";
    }
    for (const char* command : {"DelNullLine", "DeleteEmtyText"}) {
        EXPECT_TRUE(std::regex_search(code, std::regex("\\(defun c:" + std::string(command) + "\\s*\\(")))
            << command << " is not defined as a command";
    }
}

TEST(Companion, ParenthesesBalance) {
    int depth = 0;
    for (char c : CodeOnly(Source())) {
        if (c == '(') {
            ++depth;
        } else if (c == ')') {
            ASSERT_GE(--depth, 0);
        }
    }
    EXPECT_EQ(depth, 0);
}

TEST(Companion, NeverAsksForInput) {
    const std::string code = CodeOnly(Source());
    for (const char* prompt :
         {"getstring", "getpoint", "getint", "getreal", "getkword", "getdist", "getangle", "getcorner",
          "getorient", "getfiled", "initget", "entsel", "nentsel", "pause", "getvar \"cmdactive\""}) {
        EXPECT_FALSE(
            std::regex_search(code, std::regex("[(\\s]" + std::string(prompt) + "[\\s)]", std::regex::icase)))
            << prompt;
    }
    // A selection without the "X" mode asks the user to pick objects.
    const std::regex ssget("\\(ssget\\s+([^\\s)]*)", std::regex::icase);
    const std::string source = Source();
    for (auto it = std::sregex_iterator(source.begin(), source.end(), ssget); it != std::sregex_iterator();
         ++it)
        EXPECT_TRUE((*it)[1] == "\"_X\"" || (*it)[1] == "\"X\"") << it->str();
}

} // namespace
