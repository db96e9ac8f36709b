#include "script/purge_script.h"
#include "script/string_helpers.h"

#include "core/memory_file_system.h"
#include "core/memory_registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace ps {
namespace {

using Lines = std::vector<std::string>;

// The script as AutoCAD reads it, one element per line.
class Script : public testing::Test {
protected:
    void SetUp() override {
        addProduct("AutoCAD LT", "R10", "ACADLT-4001:409", "AutoCAD LT 2005");
        addProduct("AutoCAD", "R16.1", "ACAD-201:409", "AutoCAD 2005");
        files.addFile("C:\\P\\Plansweeper.VLX", "vlx");
    }
    void addProduct(const std::string& type, const std::string& release, const std::string& key,
                    const std::string& name) {
        reg.putString(RegRoot::LocalMachine, "Software\\Autodesk\\" + type + "\\" + release + "\\" + key,
                      "ProductName", name);
    }
    ScriptResult write(bool r15OrLater, std::string_view format, std::string_view target,
                       std::string* msg = nullptr) {
        const ScriptEnvironment env{files, codec, "C:\\Temp\\purge", "C:\\P"};
        return CreateSCRpurge(env, settings, ScriptProductOf(reg, settings.ProdName, r15OrLater),
                              SaveFormatOfAnswer(format).value(), target, msg);
    }
    std::string scriptBytes() { return files.contentOf("C:\\Temp\\purge.scr"); }

    MemoryRegistry reg;
    MemoryFileSystem files;
    Latin1Codec codec;
    Settings settings;
};

std::string Joined(const Lines& lines) {
    std::string bytes;
    for (const auto& l : lines)
        bytes += l + "\r\n";
    return bytes;
}

TEST_F(Script, AutoCadLtWorkedExampleByteForByte) {
    settings.ProdName = "AutoCAD LT 2005";
    settings.PurgeTimes = 1;
    settings.PurgeAll = -1;
    settings.ZoomE = -1;
    ASSERT_EQ(write(false, "_2004", "C:\\D\\a.dwg"), ScriptResult::Written);
    EXPECT_EQ(scriptBytes(), Joined({"_cmdecho 0", "_expert 0", "_.purge _A * _n", "_.zoom _e", "_.saveas",
                                     "_2004", "\"C:\\D\\a.dwg\"", "_.quit _Y "}));

    ASSERT_EQ(write(false, "_2000", "C:\\D\\a.dwg"), ScriptResult::Written);
    EXPECT_EQ(scriptBytes(), Joined({"_cmdecho 0", "_expert 0", "_.purge _A * _n", "_.zoom _e", "_.saveas",
                                     "_2000", " _Y", "_.quit _Y "}));
}

// AutoCAD LT 2017 saving in its own 2013 format gets plain command lines:
// the release conditions reach keys above R19. AutoCAD LT 2026 runs
// AutoLISP: the companion, its record and AutoCAD's save-as, with AutoCAD
// LT's purge passes (orphaned data, from the release that offers it) and no
// ObjectARX application.
TEST_F(Script, AutoCadLtBefore2024GetsCommandLinesAndLaterTheCompanion) {
    addProduct("AutoCAD LT", "R32", "ACADLT-9109:409", "AutoCAD LT 2026");
    addProduct("AutoCAD LT", "R23", "ACADLT-0009:409", "AutoCAD LT 2017");
    settings.PurgeTimes = 1;
    settings.PurgeLayer = settings.PurgeRegapps = settings.PurgeVisualStyles = settings.PurgeOrphaned = -1;
    settings.ProdName = "AutoCAD LT 2017";
    ASSERT_EQ(write(true, "_2013", "C:\\D\\a.dwg"), ScriptResult::Written);
    EXPECT_EQ(scriptBytes(),
              Joined({"_cmdecho 0", "_expert 0", "_.purge _LA * _n", "_.purge _R * _n", "_.purge _V * _n",
                      "_.saveas", "_2013", "\"C:\\D\\a.dwg\"", "_.quit _Y "}));

    settings.ProdName = "AutoCAD LT 2026";
    settings.PurgeCleanRegApp = settings.DelText = -1;
    ASSERT_EQ(write(true, "_2013", "C:\\E\\a.dwg"), ScriptResult::Written);
    Lines lines;
    const std::string bytes = scriptBytes();
    for (std::size_t at = 0; at < bytes.size();) {
        const auto end = bytes.find("\r\n", at);
        lines.push_back(bytes.substr(at, end - at));
        at = end + 2;
    }
    const Lines head{"_cmdecho 0", "_expert 0", "(load\"C:\\\\P\\\\Plansweeper.VLX\")",
                     "(PlansweeperFactsBegin \"C:\\\\Temp\\\\purge.facts\")"};
    ASSERT_GT(lines.size(), head.size());
    EXPECT_EQ(Lines(lines.begin(), lines.begin() + 4), head);
    const Lines passes{"_.purge _LA * _n", "_.purge _R * _n", "_.purge _V * _n",
                       "_.purge _O * _n",  "DeleteEmtyText",  "(PlansweeperFactsEnd)"};
    auto at = lines.begin();
    for (const auto& line : passes) {
        at = std::find(at, lines.end(), line);
        EXPECT_NE(at, lines.end()) << line;
    }
    EXPECT_EQ(bytes.find("arxload"), std::string::npos);
    EXPECT_NE(bytes.find("(setq lst (list \"_2013\" (setq a \"C:\\\\E\\\\a.dwg\")))"), std::string::npos);
}

Lines AutoCadWorkedExample() {
    return {"_cmdecho 0",
            "_expert 0",
            "_.audit _y",
            "(load\"C:\\\\P\\\\Plansweeper.VLX\")",
            "(PlansweeperFactsBegin \"C:\\\\Temp\\\\purge.facts\")",
            "(if (not (equal 2 (logand 2 (getvar \"qaflags\")))) (setvar \"qaflags\" (+ (getvar \"qaflags\") "
            "2)))",
            "(if (not (equal 4 (logand 4 (getvar \"qaflags\")))) (setvar \"qaflags\" (+ (getvar \"qaflags\") "
            "4)))",
            "(setvar \"nomutt\" 1)",
            "(setvar \"ISAVEPERCENT\" 50)",
            "_.purge _A * _n",
            "(DeleteLayerFilters)",
            "_.purge _A * _n",
            "(if (= (getvar \"tilemode\") 0) (command \"_.PSPACE\"))",
            "(if (/= (logand (getvar \"viewmode\") 1) 1) (command \"_.zoom\" \"_e\"))",
            "(setvar \"qaflags\" 0)",
            "(setvar \"nomutt\" 0)",
            "(vl-load-com)",
            "(PlansweeperFactsEnd)",
            "(if (= (strcase (vl-filename-base (getvar \"dwgname\"))) \"A\")",
            "(progn",
            "(setq n 0)",
            "(command \"_.saveas\")",
            "(setq lst (list \"_2004\" (setq a \"C:\\\\D\\\\a.dwg\")))",
            "(repeat (length lst)",
            "(command (nth n lst))",
            "(setq n (+ n 1))",
            ")",
            "(while (wcmatch (getvar \"cmdnames\") \"*SAVEAS\")",
            "(command \"_Y\")",
            ")",
            ")",
            ")",
            "(if (not (equal 0 (getvar \"dbmod\")))",
            "(progn",
            "(while (not (wcmatch (getvar \"cmdnames\") \"*QUIT*\"))",
            "(command \"_.quit\")",
            ")",
            "(while (wcmatch (getvar \"cmdnames\") \"*QUIT*\")",
            "(command \"_y\")",
            ")",
            ")",
            "(command \"_.quit\")",
            ")"};
}

void SetAutoCadExample(Settings& s) {
    s.ProdName = "AutoCAD 2005";
    s.Audit = -1;
    s.PurgeAll = -1;
    s.DelFilter = -1;
    s.PSpace = -1;
    s.ZoomE = -1;
    s.PurgeTimes = 1;
    s.ISAVEPERCENT = 50;
}

TEST_F(Script, AutoCadWorkedExampleByteForByte) {
    SetAutoCadExample(settings);
    ASSERT_EQ(AutoCadWorkedExample().size(), 43u);
    ASSERT_EQ(write(true, "_2004", "C:\\D\\a.dwg"), ScriptResult::Written);
    EXPECT_EQ(scriptBytes(), Joined(AutoCadWorkedExample()));
}

TEST_F(Script, AutoCadSaveFormatVariant) {
    SetAutoCadExample(settings);
    ASSERT_EQ(write(true, "_2000", "C:\\D\\a.dwg"), ScriptResult::Written);
    Lines expected = AutoCadWorkedExample();
    expected[22] = "(setq lst (list \"_2000\" (setq a \"C:\\\\D\\\\a.dwg\")))";
    EXPECT_EQ(scriptBytes(), Joined(expected));
}

// AutoCAD 2026: the worked example's lines, with orphaned data purged in the
// pass and the drawing saved in the 2018 format.
TEST_F(Script, AutoCad2026LineByLine) {
    addProduct("AutoCAD", "R25.1", "ACAD-9101:409", "AutoCAD 2026");
    SetAutoCadExample(settings);
    settings.ProdName = "AutoCAD 2026";
    settings.PurgeOrphaned = -1;
    ASSERT_EQ(write(true, "_2018", "C:\\D\\a.dwg"), ScriptResult::Written);
    Lines expected = AutoCadWorkedExample();
    expected[22] = "(setq lst (list \"_2018\" (setq a \"C:\\\\D\\\\a.dwg\")))";
    expected.insert(expected.begin() + 10, "_.purge _O * _n");
    EXPECT_EQ(scriptBytes(), Joined(expected));
}

TEST_F(Script, FileIsTruncatedOnEveryCall) {
    settings.ProdName = "AutoCAD LT 2005";
    settings.PurgeTimes = 5;
    settings.PurgeAll = settings.PurgeBlock = settings.PurgeLayer = -1;
    write(false, "_2004", "C:\\D\\a.dwg");
    settings.PurgeTimes = 0;
    write(false, "_2004", "C:\\D\\a.dwg");
    EXPECT_EQ(scriptBytes(),
              Joined({"_cmdecho 0", "_expert 0", "_.saveas", "_2004", "\"C:\\D\\a.dwg\"", "_.quit _Y "}));
}

// Lines of the pure generator for a release key and product type.
Lines Generate(const Settings& s, const std::string& type, const std::string& release, bool r15,
               std::string_view format = "_2004", std::string_view target = "C:\\D\\a.dwg",
               bool exists = false) {
    ScriptContext c{type, release, r15, "C:\\P", "C:\\P\\Plansweeper.VLX", exists, false, {}};
    return PurgeScriptLines(s, c, SaveFormatOfAnswer(format).value(), target).lines;
}

int Count(const Lines& lines, std::string_view line) {
    return static_cast<int>(std::count(lines.begin(), lines.end(), line));
}

TEST(ScriptReleaseConditions, AutoCadRegappsTablesMaterialsAndVisualStyles) {
    Settings s;
    s.PurgeTimes = 1;
    s.PurgeRegapps = s.PurgeTableStyles = s.PurgeMaterials = s.PurgeVisualStyles = s.PurgePS = -1;
    s.PurgeOrphaned = -1;
    struct Row {
        const char* release;
        bool r15;
        int regapps, materials, plotStyles, orphaned;
    };
    for (const Row& row :
         {Row{"R15.0", true, 0, 0, 1, 0}, Row{"R16.0", true, 0, 0, 1, 0}, Row{"R16.1", true, 1, 0, 1, 0},
          Row{"R16.2", true, 1, 0, 1, 0}, Row{"R17.0", true, 1, 1, 1, 0}, Row{"R18.0", true, 1, 1, 1, 0},
          Row{"R21.0", true, 1, 1, 1, 0}, Row{"R22.0", true, 1, 1, 1, 1}, Row{"R27.0", true, 1, 1, 1, 1},
          Row{"R14.0", false, 0, 0, 0, 0}}) {
        SCOPED_TRACE(row.release);
        const Lines lines = Generate(s, "AutoCAD", row.release, row.r15);
        EXPECT_EQ(Count(lines, "_.purge _R * _n"), row.regapps);
        EXPECT_EQ(Count(lines, "_.purge _T * _n"), row.regapps);
        EXPECT_EQ(Count(lines, "_.purge _MA * _n"), row.materials);
        EXPECT_EQ(Count(lines, "_.purge _V * _n"), row.materials);
        EXPECT_EQ(Count(lines, "_.purge _P * _n"), row.plotStyles);
        EXPECT_EQ(Count(lines, "_.purge _O * _n"), row.orphaned);
    }
}

TEST(ScriptReleaseConditions, AutoCadLtKeys) {
    Settings s;
    s.PurgeTimes = 1;
    s.PurgeRegapps = s.PurgeTableStyles = s.PurgeMaterials = s.PurgeVisualStyles = s.PurgePS = -1;
    s.PurgeOrphaned = -1;
    struct Row {
        const char* release;
        int regapps, materials, orphaned;
    };
    // LT 2014 is R20, LT 2018 R24: keys that no longer start with "R1".
    for (const Row& row : {Row{"R8", 0, 0, 0}, Row{"R9", 1, 0, 0}, Row{"R10", 1, 1, 0}, Row{"R17", 1, 1, 0},
                           Row{"R20", 1, 1, 0}, Row{"R24", 1, 1, 1}, Row{"R33", 1, 1, 1}}) {
        SCOPED_TRACE(row.release);
        const Lines lines = Generate(s, "AutoCAD LT", row.release, true);
        EXPECT_EQ(Count(lines, "_.purge _R * _n"), row.regapps);
        EXPECT_EQ(Count(lines, "_.purge _T * _n"), row.regapps);
        EXPECT_EQ(Count(lines, "_.purge _MA * _n"), row.materials);
        EXPECT_EQ(Count(lines, "_.purge _V * _n"), row.materials);
        EXPECT_EQ(Count(lines, "_.purge _O * _n"), row.orphaned);
        EXPECT_EQ(Count(lines, "_.purge _P * _n"), 0); // AutoCAD LT has no plot-style purge
    }
}

TEST(ScriptPurgePasses, TimesAndTheExtraPassAfterCleaning) {
    Settings s;
    s.PurgeAll = -1;
    s.PurgeTimes = 3;
    EXPECT_EQ(Count(Generate(s, "AutoCAD LT", "R10", true), "_.purge _A * _n"), 3);
    EXPECT_EQ(Count(Generate(s, "AutoCAD", "R16.1", true), "_.purge _A * _n"), 4);
    EXPECT_EQ(Count(Generate(s, "AutoCAD", "R14.0", false), "_.purge _A * _n"), 3);
    s.PurgeTimes = 0;
    s.PurgeBlock = -1;
    EXPECT_EQ(Count(Generate(s, "AutoCAD LT", "R10", true), "_.purge _A * _n"), 0);
    const Lines acad = Generate(s, "AutoCAD", "R16.1", true);
    EXPECT_EQ(Count(acad, "_.purge _A * _n"), 1);
    EXPECT_EQ(Count(acad, "_.purge _B * _n"), 1);
    s.PurgeTimes = -2;
    EXPECT_EQ(Count(Generate(s, "AutoCAD", "R14.0", false), "_.purge _A * _n"), 0);
}

TEST(ScriptSystemVariables, NegativeWritesNothingZeroWritesZero) {
    Settings s;
    s.INDEXCTL = 0;
    s.ISAVEPERCENT = -1;
    s.PROXYGRAPHICS = 1;
    s.RASTERPREVIEW = -5;
    const Lines lines = Generate(s, "AutoCAD", "R16.1", true);
    EXPECT_EQ(Count(lines, "(setvar \"INDEXCTL\" 0)"), 1);
    EXPECT_EQ(Count(lines, "(setvar \"PROXYGRAPHICS\" 1)"), 1);
    for (const auto& l : lines) {
        EXPECT_EQ(l.find("ISAVEPERCENT"), std::string::npos);
        EXPECT_EQ(l.find("RASTERPREVIEW"), std::string::npos);
    }
    EXPECT_EQ(Generate(s, "AutoCAD LT", "R10", true).size(), 6u); // LT ignores them
}

TEST(ScriptUserFile, ExtensionsDecideTheLine) {
    struct Row {
        const char* file;
        bool script;
        bool lisp;
    };
    for (const Row& row : {Row{"C:\\S\\fix.SCR", true, false}, Row{"C:\\S\\fix.scr", true, false},
                           Row{"C:\\S\\fix.Scr", true, false}, Row{"C:\\S\\fix.lsp", false, true},
                           Row{"C:\\S\\fix.VLX", false, true}, Row{"C:\\S\\fix.Fas", false, true},
                           Row{"C:\\S\\fix.txt", false, false}, Row{"C:\\S.scr\\fix", false, false}}) {
        SCOPED_TRACE(row.file);
        Settings s;
        s.ScriptFile = row.file;
        const Lines acad = Generate(s, "AutoCAD", "R16.1", true);
        const Lines lt = Generate(s, "AutoCAD LT", "R10", true);
        const std::string quoted = "\"" + std::string(row.file) + "\"";
        EXPECT_EQ(Count(acad, "_.script") + Count(acad, quoted), row.script ? 2 : 0);
        EXPECT_EQ(Count(lt, "_.script") + Count(lt, quoted), row.script ? 2 : 0);
        EXPECT_EQ(Count(acad, "(load\"" + LispPath(row.file) + "\")"), row.lisp ? 1 : 0);
    }
}

TEST(ScriptTargets, ExtensionsOfTheTargetPath) {
    Settings s;
    const auto saveLine = [&](const char* target) {
        const Lines lines = Generate(s, "AutoCAD", "R16.1", true, "_2004", target);
        return lines[lines.size() - 21];
    };
    EXPECT_EQ(saveLine("C:\\Dwg\\plan.DXF"), "(setq lst (list \"_2004\" (setq a \"C:\\\\Dwg\\\\plan\")))");
    EXPECT_EQ(saveLine("C:\\Dwg\\PLAN.DWG"),
              "(setq lst (list \"_2004\" (setq a \"C:\\\\Dwg\\\\PLAN.DWG\")))");
    EXPECT_EQ(saveLine("C:\\a.b\\plan"), "(setq lst (list \"_2004\" (setq a \"C:\\\\a.b\\\\plan\")))");
    const Lines lt = Generate(s, "AutoCAD LT", "R10", true, "_2004", "C:\\Dwg\\plan.DXF");
    EXPECT_EQ(lt[lt.size() - 2], "\"C:\\Dwg\\plan\"");
    const Lines named = Generate(s, "AutoCAD", "R16.1", true, "_2004", "C:\\a.b\\plan");
    EXPECT_EQ(Count(named, "(if (= (strcase (vl-filename-base (getvar \"dwgname\"))) \"PLAN\")"), 1);
}

TEST(ScriptSaveBlock, BelowR15HasNoNameCheckAndNoCleaning) {
    Settings s;
    s.DelFilter = s.DelLine = -1;
    const Lines lines = Generate(s, "AutoCAD", "R14.0", false);
    EXPECT_EQ(Count(lines, "(progn"), 1); // only the quit block's
    EXPECT_EQ(Count(lines, "(DeleteLayerFilters)"), 0);
    EXPECT_EQ(Count(lines, "DelNullLine"), 0);
    ASSERT_EQ(lines.size(), 2u + 4 + 3 + 21); // head, load and setvars, reset lines, save block
    EXPECT_EQ(lines[2], "(load\"C:\\\\P\\\\Plansweeper.VLX\")");
}

TEST(ScriptSaveBlock, AutoCadLtSaveToFolderAnswer) {
    Settings s;
    s.bSaveToFolder = -1;
    const Lines native = Generate(s, "AutoCAD LT", "R10", true, "_2004", "D:\\Out\\a.dwg", true);
    EXPECT_EQ(Lines(native.end() - 4, native.end()),
              (Lines{"_2004", "\"D:\\Out\\a.dwg\"", "_Y", "_.quit _Y "}));
    const Lines absent = Generate(s, "AutoCAD LT", "R10", true, "_2004", "D:\\Out\\a.dwg", false);
    EXPECT_EQ(absent[absent.size() - 2], "\"D:\\Out\\a.dwg\"");
    const Lines convert = Generate(s, "AutoCAD LT", "R10", true, "_2000", "D:\\Out\\a.dwg", true);
    EXPECT_EQ(Lines(convert.end() - 3, convert.end()), (Lines{"_2000", " _Y", "_.quit _Y "}));
    s.bSaveToFolder = 0;
    const Lines off = Generate(s, "AutoCAD LT", "R10", true, "_2004", "C:\\D\\a.dwg", true);
    EXPECT_EQ(Lines(off.end() - 3, off.end()), (Lines{"_2004", "\"C:\\D\\a.dwg\"", "_.quit _Y "}));
    // A key in no family has no native format: always the conversion answer.
    EXPECT_EQ(Generate(s, "AutoCAD LT", "R19", true).rbegin()[1], " _Y");
}

TEST(ScriptCleaning, EveryCallInOrder) {
    Settings s;
    s.PurgeCleanRegApp = s.DelFilter = s.DelLayer = s.DelExpress = s.DelLine = s.DelText = s.DelPageSetups =
        s.ACAD_VBA = s.AppId = s.PurgeAnonymGroups = s.PurgeAllGroups = s.PurgeAllNOD = -1;
    s.PurgeWallStyles = s.PurgeDoorStyles = -1; // stored, never scripted
    const Lines lines = Generate(s, "AutoCAD", "R16.1", true);
    const Lines calls(lines.begin() + 6, lines.begin() + 20);
    EXPECT_EQ(calls,
              (Lines{"(arxload \"C:\\\\P\\\\ASDKCleanRegAppARX.arx\")",
                     "(arxload \"C:\\\\P\\\\asdkRemoveRegisteredApplications-2005.arx\")",
                     "(command \"PURGEAPP\")", "(DeleteLayerFilters)", "(DeleteLayerStates)", "(LmanKill)",
                     "DelNullLine", "DeleteEmtyText", "(deleteAllPageSetups)", "(DelACAD_VBA)",
                     "(PurgeAPPID)", "(PurgeAnonymGroups)", "(PurgeAllGroups)", "(PurgeAllNOD)"}));
}

TEST(ScriptProducts, UnregisteredProductGetsTheHeadLinesOnly) {
    Settings s;
    s.Audit = -1;
    s.PurgeAll = -1;
    EXPECT_EQ(Generate(s, "", "", true), (Lines{"_cmdecho 0", "_expert 0", "_.audit _y"}));
}

TEST_F(Script, CompanionLookupPrefersTheCompiledApplication) {
    settings.ProdName = "AutoCAD 2005";
    EXPECT_EQ(FindCompanion(files, "C:\\P"), "C:\\P\\Plansweeper.VLX");
    files.addFile("C:\\Q\\Plansweeper.lsp", "");
    EXPECT_EQ(FindCompanion(files, "C:\\Q"), "C:\\Q\\Plansweeper.lsp");
    files.addFile("C:\\Q\\Plansweeper.fas", "");
    EXPECT_EQ(FindCompanion(files, "C:\\Q"), "C:\\Q\\Plansweeper.fas");
    files.addFolder("C:\\R\\Plansweeper.VLX"); // a folder is no companion
    EXPECT_EQ(FindCompanion(files, "C:\\R"), "");
}

TEST_F(Script, MissingCompanionStopsWithItsMessageAndLeavesTheHeadLines) {
    files = MemoryFileSystem();
    settings.ProdName = "AutoCAD 2005";
    settings.Audit = -1;
    std::string message;
    EXPECT_EQ(write(true, "_2004", "C:\\D\\a.dwg", &message), ScriptResult::CompanionMissing);
    EXPECT_EQ(message, "Error in CreateSCRpurge: C:\\P\\Plansweeper.VLX not found");
    EXPECT_EQ(scriptBytes(), Joined({"_cmdecho 0", "_expert 0", "_.audit _y"}));
    // AutoCAD LT loads no companion.
    settings.ProdName = "AutoCAD LT 2005";
    EXPECT_EQ(write(false, "_2004", "C:\\D\\a.dwg"), ScriptResult::Written);
}

TEST_F(Script, WriteFailuresAndUnencodableNames) {
    settings.ProdName = "AutoCAD LT 2005";
    files.setWritesFail(true);
    EXPECT_EQ(write(false, "_2004", "C:\\D\\a.dwg"), ScriptResult::Failed);
    files.setWritesFail(false);
    EXPECT_EQ(write(false, "_2004", "C:\\D\\Größe.dwg"), ScriptResult::Written);
    EXPECT_NE(scriptBytes().find("Gr\xF6\xDF"
                                 "e"),
              std::string::npos); // ANSI bytes
    EXPECT_EQ(write(false, "_2004", "C:\\D\\\xE5\x9B\xB3.dwg"), ScriptResult::Failed);
}

TEST(StringHelpers, ReplaceAllOnceAndIsNothing) {
    EXPECT_EQ(SF_replaceAllOnce("C:\\a\\b", "\\", "\\\\"), "C:\\\\a\\\\b");
    EXPECT_EQ(SF_replaceAllOnce("aaa", "a", "aa"), "aaaaaa"); // inserted text is not rescanned
    EXPECT_EQ(SF_replaceAllOnce("abc", "", "x"), "abc");
    EXPECT_EQ(SF_replaceAllOnce("abc", "b", "b"), "abc");
    EXPECT_EQ(SF_replaceAllOnce("aBc", "b", "x"), "aBc"); // case-sensitive
    EXPECT_EQ(SF_replaceAllOnce("", "a", "b"), "");
    EXPECT_TRUE(SF_isNothing(""));
    EXPECT_FALSE(SF_isNothing(" "));
}

// Parenthesis depth outside AutoLISP strings; -1 when it ever goes negative.
int Depth(const Lines& lines) {
    int depth = 0;
    for (const auto& line : lines) {
        bool inString = false;
        for (std::size_t i = 0; i < line.size(); ++i) {
            const char c = line[i];
            if (inString) {
                if (c == '\\')
                    ++i;
                else if (c == '"')
                    inString = false;
            } else if (c == '"') {
                inString = true;
            } else if (c == '(') {
                ++depth;
            } else if (c == ')' && --depth < 0) {
                return -1;
            }
        }
    }
    return depth;
}

TEST(ScriptProperties, ParenthesesBalanceInEveryAutoCadScript) {
    std::mt19937 rng(20261207);
    const char* releases[] = {"R13.0", "R14.0", "R15.0", "R16.0", "R16.1",
                              "R17.0", "R18.0", "R19.0", "R24.0", ""};
    const char* userFiles[] = {"", "C:\\S (old)\\fix.lsp", "C:\\S\\fix.scr", "C:\\S\\fix.VLX", "C:\\x.txt"};
    const char* targets[] = {"C:\\D (1)\\a.dwg", "C:\\D\\plan.DXF", "C:\\a.b\\plan", "\\\\srv\\s\\)x(.dwg"};
    std::int16_t Settings::*flags[] = {&Settings::Audit,
                                       &Settings::ZoomE,
                                       &Settings::PSpace,
                                       &Settings::PurgeAll,
                                       &Settings::PurgeBlock,
                                       &Settings::PurgePS,
                                       &Settings::PurgeRegapps,
                                       &Settings::PurgeMaterials,
                                       &Settings::PurgeCleanRegApp,
                                       &Settings::DelFilter,
                                       &Settings::DelLine,
                                       &Settings::DelText,
                                       &Settings::ACAD_VBA,
                                       &Settings::PurgeAllNOD,
                                       &Settings::DelPageSetups,
                                       &Settings::PurgeAnonymGroups};
    // Every combination of the switches that change the script's structure
    // (r15, user file kind, release key), with the purge switches drawn at random.
    int scripts = 0;
    for (bool r15 : {false, true})
        for (const char* release : releases)
            for (const char* userFile : userFiles)
                for (const char* target : targets)
                    for (int round = 0; round < 8; ++round) {
                        Settings s;
                        s.ScriptFile = userFile;
                        s.PurgeTimes = static_cast<std::int16_t>(rng() % 4);
                        for (auto flag : flags)
                            s.*flag = (rng() % 2) ? -1 : 0;
                        s.INDEXCTL = static_cast<std::int16_t>(static_cast<int>(rng() % 5) - 1);
                        const Lines lines = Generate(s, "AutoCAD", release, r15, "_2010", target);
                        ASSERT_EQ(Depth(lines), 0) << release << " " << userFile << " " << target;
                        ++scripts;
                    }
    EXPECT_EQ(scripts, 2 * 10 * 5 * 4 * 8);
}

} // namespace
} // namespace ps
