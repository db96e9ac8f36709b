// The stand-in's AutoCAD session running the scripts our generator writes.
#include "lisp.h"
#include "registration.h"
#include "session.h"

#include "acad/products.h"
#include "core/memory_registry.h"
#include "script/purge_script.h"

#include <gtest/gtest.h>

#include <map>

namespace standin {
namespace {

class FakeHost : public SessionHost {
public:
    void journal(const std::string& line) override { lines.push_back(line); }
    bool fileExists(const std::string& path) override { return files.count(path) != 0; }
    std::optional<std::string> readTextFile(const std::string& path) override {
        auto it = files.find(path);
        if (it == files.end())
            return std::nullopt;
        return it->second;
    }
    bool writeTextFile(const std::string& path, const std::string& text) override {
        files[path] = text;
        return true;
    }
    bool saveDrawing(const std::string& code, const std::string& path) override {
        saves.emplace_back(code, path);
        files[path] = code;
        return true;
    }
    int count(const std::string& prefix) const {
        int n = 0;
        for (const auto& l : lines)
            n += l.rfind(prefix, 0) == 0 ? 1 : 0;
        return n;
    }
    std::vector<std::string> lines;
    std::map<std::string, std::string> files;
    std::vector<std::pair<std::string, std::string>> saves;
};

void Feed(Session& session, const std::vector<std::string>& lines) {
    for (const auto& l : lines) {
        session.scriptLine(l);
        if (session.quitRequested())
            break;
    }
    session.scriptEnded();
}

ps::Settings EverySwitch() {
    ps::Settings s;
    s.Audit = s.ZoomE = s.PSpace = -1;
    s.PurgeAll = s.PurgeBlock = s.PurgeDim = s.PurgeLayer = s.PurgeLT = s.PurgeML = s.PurgePS = s.PurgeShape =
        s.PurgeText = s.PurgeRegapps = s.PurgeTableStyles = s.PurgeMaterials = s.PurgeVisualStyles = -1;
    s.PurgeCleanRegApp = s.DelFilter = s.DelLayer = s.DelExpress = s.DelLine = s.DelText = s.DelPageSetups =
        s.ACAD_VBA = s.AppId = s.PurgeAnonymGroups = s.PurgeAllGroups = s.PurgeAllNOD = -1;
    s.INDEXCTL = 3;
    s.ISAVEPERCENT = 0;
    s.PROXYGRAPHICS = 1;
    s.RASTERPREVIEW = 1;
    s.PurgeTimes = 2;
    return s;
}

std::vector<std::string> AutoCadScript(const ps::Settings& s, const std::string& release, bool r15,
                                       const std::string& format, const std::string& target) {
    ps::ScriptContext c{"AutoCAD", release, r15, "C:\\P", "C:\\P\\Plansweeper.VLX", false, false, {}};
    return ps::PurgeScriptLines(s, c, ps::SaveFormatOfAnswer(format).value(), target).lines;
}

TEST(StandinSession, RunsEveryLineOfAFullAutoCadScript) {
    FakeHost host;
    host.files = {{"C:\\P\\Plansweeper.VLX", ""},
                  {"C:\\P\\ASDKCleanRegAppARX.arx", ""},
                  {"C:\\P\\asdkRemoveRegisteredApplications-2005.arx", ""},
                  {"C:\\D\\a.dwg", "AC1015"}};
    for (const char* release : {"R16.1", "R17.0", "R18.0"}) {
        SCOPED_TRACE(release);
        host.lines.clear();
        host.saves.clear();
        Session session(host, "C:\\D\\a.dwg");
        Feed(session, AutoCadScript(EverySwitch(), release, true, "_2000", "C:\\D\\a.dwg"));
        EXPECT_EQ(host.count("not understood"), 0) << ::testing::PrintToString(host.lines);
        EXPECT_GT(host.count("executed: "), 60);
        ASSERT_EQ(host.saves.size(), 1u);
        EXPECT_EQ(host.saves[0], (std::pair<std::string, std::string>{"AC1015", "C:\\D\\a.dwg"}));
        EXPECT_TRUE(session.quitRequested());
    }
}

TEST(StandinSession, OlderReleasesAndDxfTargets) {
    FakeHost host;
    host.files = {{"C:\\P\\Plansweeper.VLX", ""}};
    Session session(host, "C:\\D\\plan.dxf");
    ps::Settings s;
    s.PurgeAll = -1;
    Feed(session, AutoCadScript(s, "R14.0", false, "_r14", "C:\\D\\plan.dxf"));
    EXPECT_EQ(host.count("not understood"), 0) << ::testing::PrintToString(host.lines);
    ASSERT_EQ(host.saves.size(), 1u);
    // A target without ".dwg" gets it, as AutoCAD does for every DWG format.
    EXPECT_EQ(host.saves[0], (std::pair<std::string, std::string>{"AC1014", "C:\\D\\plan.dwg"}));
    EXPECT_TRUE(session.quitRequested());
}

TEST(StandinSession, AutoCadLtScripts) {
    ps::Settings s = EverySwitch();
    // With and without the save-to-folder answer for an existing target.
    for (const auto& [format, exists] : std::vector<std::pair<std::string, bool>>{
             {"_2007", true}, {"_2007", false}, {"_2000", true}, {"_r14", false}}) {
        SCOPED_TRACE(format + (exists ? " into the save-to folder" : ""));
        s.bSaveToFolder = exists ? -1 : 0;
        FakeHost host;
        host.files["C:\\D\\a.dwg"] = "AC1021";
        Session session(host, "C:\\D\\a.dwg", "AC1021"); // a 2007 family product
        const std::string target = exists ? "E:\\Out\\a.dwg" : "C:\\D\\a.dwg";
        if (exists)
            host.files[target] = "AC1015";
        ps::ScriptContext c{"AutoCAD LT", "R14", true, "C:\\P", "", exists, false, {}};
        Feed(session, ps::PurgeScriptLines(s, c, ps::SaveFormatOfAnswer(format).value(), target).lines);
        EXPECT_EQ(host.count("not understood"), 0) << ::testing::PrintToString(host.lines);
        ASSERT_EQ(host.saves.size(), 1u);
        EXPECT_EQ(host.saves[0].second, format == "_2007" ? target : "C:\\D\\a.dwg");
        EXPECT_EQ(host.saves[0].first, VersionCodeOfFormat(format));
        EXPECT_TRUE(session.quitRequested());
    }
}

TEST(StandinSession, NameCheckProtectsAnotherDrawing) {
    FakeHost host;
    host.files = {{"C:\\P\\Plansweeper.VLX", ""}};
    Session session(host, "C:\\D\\other.dwg");
    Feed(session, AutoCadScript(ps::Settings{}, "R18.0", true, "_2010", "C:\\D\\a.dwg"));
    EXPECT_TRUE(host.saves.empty());
    EXPECT_EQ(host.count("not understood"), 0);
    EXPECT_TRUE(session.quitRequested()); // unmodified: the quit needs no answer
}

TEST(StandinSession, QuittingAModifiedDrawingWaitsForTheDiscardAnswer) {
    FakeHost host;
    Session session(host, "C:\\D\\a.dwg");
    Feed(session, {"_.purge _A * _n", "_.quit"});
    EXPECT_FALSE(session.quitRequested());
    EXPECT_EQ(session.activeCommand(), "QUIT");
    EXPECT_TRUE(session.typed("_N"));
    EXPECT_FALSE(session.quitRequested());
    EXPECT_TRUE(session.typed("_.quit"));
    EXPECT_TRUE(session.typed("_Y"));
    EXPECT_TRUE(session.quitRequested());
}

TEST(StandinSession, UnknownInputIsNotUnderstood) {
    FakeHost host;
    Session session(host, "C:\\D\\a.dwg");
    Feed(session, {"_.purge _X * _n", "_Y", "DelNullLine", "(DeleteLayerFilters)",
                   "(load\"C:\\\\missing.VLX\")", "_.saveas", "_2099", "(setvar \"nomutt\" 1", "_.quit"});
    EXPECT_EQ(host.count("not understood"), 8) << ::testing::PrintToString(host.lines);
    EXPECT_EQ(host.count("executed"), 1);  // "_.saveas" itself
    EXPECT_FALSE(session.quitRequested()); // swallowed by the unfinished expression
    session.escape();
    EXPECT_EQ(session.activeCommand(), "");
    EXPECT_TRUE(session.typed("RESUME"));
    EXPECT_EQ(host.lines.back(), "typed: RESUME");
}

TEST(StandinSession, SaveAsAnswersLikeAutoCad) {
    FakeHost host;
    host.files["C:\\D\\a.dwg"] = "AC1015";
    host.files["C:\\D\\b.dwg"] = "AC1015";
    Session session(host, "C:\\D\\a.dwg", "AC1018");            // a 2004 product
    Feed(session, {"_.saveas", "_2004", "C:\\D\\b.dwg", "_N"}); // another existing file: replace declined
    EXPECT_TRUE(host.saves.empty());
    Feed(session, {"_.saveas", "_2000", "", "_N"}); // its own file in an older format: declined too
    EXPECT_TRUE(host.saves.empty());
    Feed(session, {"_.saveas", "_2004", ""}); // its own name in its own format: a plain save
    ASSERT_EQ(host.saves.size(), 1u);
    EXPECT_EQ(host.saves[0].second, "C:\\D\\a.dwg");
    Feed(session, {"_.saveas", "_2000", "\"C:\\D\\new name\""});
    ASSERT_EQ(host.saves.size(), 2u);
    EXPECT_EQ(host.saves[1].second, "C:\\D\\new name.dwg");
    EXPECT_EQ(session.drawingPath(), "C:\\D\\new name.dwg");
    Feed(session, {"_.saveas", "_2004", "C:\\D\\b.dwg", "_Y"});
    ASSERT_EQ(host.saves.size(), 3u);
}

TEST(StandinLisp, ReaderWildcardsAndDepth) {
    Interpreter lisp;
    EXPECT_EQ(lisp.evalText("(setq n 0) (repeat 3 (setq n (+ n 1))) n").i, 3);
    EXPECT_EQ(lisp.evalText("(nth 1 (list \"a\" \"b\"))").s, "b");
    EXPECT_EQ(lisp.evalText("(strcase \"c:\\\\x\")").s, "C:\\X");
    EXPECT_EQ(lisp.evalText("(strcase \"caf\xC3\xA9 \xC3\xA9\")").s, "CAF\xC3\x89 \xC3\x89"); // as AutoCAD
    EXPECT_TRUE(lisp.evalText("(equal 4 (logand 4 6))").kind == Value::Kind::T);
    EXPECT_THROW(lisp.evalText("(undefined-fn)"), LispError);
    EXPECT_THROW(lisp.evalText("(setq a"), LispError);
    EXPECT_TRUE(WcMatch("SAVEAS", "*SAVEAS"));
    EXPECT_TRUE(WcMatch("QUIT", "*QUIT*"));
    EXPECT_FALSE(WcMatch("", "*QUIT*"));
    EXPECT_TRUE(WcMatch("*A1", "`**"));
    EXPECT_FALSE(WcMatch("A1", "`**"));
    EXPECT_TRUE(WcMatch("b", "a,b"));
    EXPECT_EQ(ParenDepth("(if (x) \"(\" ; )"), 1);
    EXPECT_EQ(InputsOfLine(" _Y"), (std::vector<std::string>{"", "_Y"}));
    EXPECT_EQ(InputsOfLine("_.quit _Y "), (std::vector<std::string>{"_.quit", "_Y", ""}));
    EXPECT_EQ(InputsOfLine("\"C:\\a b\\c.dwg\""), (std::vector<std::string>{"C:\\a b\\c.dwg"}));
}

TEST(StandinRegistration, WritesTheLayoutTheLookupsRead) {
    ps::MemoryRegistry reg;
    std::vector<std::string> installed;
    const auto folders =
        RegisterStandins(reg, "C:\\Standin\\", [&](const StandinProduct& p, const std::string& f) {
            installed.push_back(f + "\\" + p.exeName);
            return true;
        });
    ASSERT_EQ(folders.size(), StandinProducts().size());
    EXPECT_EQ(ps::AcadCurrentProductName(reg), "AutoCAD 2010");
    EXPECT_EQ(ps::AcadCurrentProfile(reg), kStandinProfile);
    for (std::size_t i = 0; i < folders.size(); ++i) {
        const auto& p = StandinProducts()[i];
        SCOPED_TRACE(p.name);
        EXPECT_EQ(ps::AcadProductType(reg, p.name), p.type);
        EXPECT_EQ(ps::AcadReleaseKey(reg, p.name), p.release);
        EXPECT_EQ(ps::AcadProductKey(reg, p.name), p.productKey);
        EXPECT_EQ(ps::AcadExePath(reg, p.name), installed[i]);
        EXPECT_EQ(ps::AcadProfiles(reg, p.type, p.release, p.productKey),
                  (std::vector<std::string>{kStandinProfile, kStandinSecondProfile}));
        const auto id = IdentifyByFolder(reg, folders[i] + "\\");
        ASSERT_TRUE(id.has_value());
        EXPECT_EQ(id->name, p.name);
    }
    EXPECT_FALSE(IdentifyByFolder(reg, "C:\\Elsewhere").has_value());
    UnregisterStandins(reg);
    EXPECT_TRUE(ps::AcadAllProductNames(reg).empty());
}

} // namespace
} // namespace standin
