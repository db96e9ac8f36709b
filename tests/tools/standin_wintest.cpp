// The stand-in AutoCAD as the program will meet it: registered like a
// product, started with the batch command line on a drawing and the script
// our generator writes, under Wine with a display.
#include "registration.h"

#include "acad/host.h"
#include "acad/products.h"
#include "acad/releases.h"
#include "acad/registry_helpers.h"
#include "platform/text.h"
#include "platform/win_file_system.h"
#include "platform/win_registry.h"
#include "script/purge_script.h"
#include "support/standin_fixture.h"
#include "support/win_process.h"
#include "support/win_temp_dir.h"

#include <gtest/gtest.h>

namespace ps {
namespace {

using test::ChildProcess;
using test::ReadFileBytes;
using test::WaitUntil;

constexpr DWORD kRunLimit = 30000;

class Standin : public test::WithStandins<> {
protected:
    void SetUp() override {
        program_ = test::MakeProgramFolder(dir_);
        settings_.PurgeTimes = 1;
        settings_.PurgeAll = settings_.Audit = settings_.ZoomE = settings_.DelFilter = -1;
    }

    // Writes the script our generator makes for this product and target.
    void writeScript(const std::string& product, const std::string& format, const std::string& target) {
        settings_.ProdName = product;
        const ScriptEnvironment env{files_, codec_, dir_.file("purge"), program_};
        const bool r15 = UpdateR15OrLater(AcadReleaseKey(reg_, product), true);
        ASSERT_EQ(CreateSCRpurge(env, settings_, ScriptProductOf(reg_, product, r15),
                                 SaveFormatOfAnswer(format).value(), target),
                  ScriptResult::Written);
    }

    bool start(ChildProcess& child, const std::string& product, const std::string& drawing,
               bool batch = true) {
        const std::string exe = AcadExePath(reg_, product);
        return child.start(batch ? BatchCommandLine(exe, drawing, dir_.file("purge"))
                                 : InteractiveCommandLine(exe, drawing));
    }

    // Runs the product on the drawing with the generated script to its end.
    DWORD run(const std::string& product, const std::string& drawing) {
        ChildProcess child;
        EXPECT_TRUE(start(child, product, drawing));
        EXPECT_TRUE(child.waitFor(kRunLimit)) << journal(drawing);
        return child.exitCode();
    }

    std::string journal(const std::string& drawing) { return ReadFileBytes(drawing + ".journal"); }
    static int Count(const std::string& text, const std::string& part) {
        int n = 0;
        for (auto p = text.find(part); p != std::string::npos; p = text.find(part, p + 1))
            ++n;
        return n;
    }
    static bool Exists(const std::string& path) {
        return GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    void setProfileValue(const std::string& product, const char* key, const char* name, DWORD value) {
        const std::string path =
            ProfilesKeyPath(AcadProductType(reg_, product), AcadReleaseKey(reg_, product),
                            AcadProductKey(reg_, product)) +
            standin::kStandinProfile + "\\" + key;
        reg_.createKey(RegRoot::CurrentUser, path);
        ASSERT_TRUE(WriteRegValue(reg_, RegRoot::CurrentUser, path, name, static_cast<std::int32_t>(value)));
    }

    test::TempDir dir_;
    std::string program_;
    WinRegistry reg_;
    WinFileSystem files_;
    WinAnsiCodec codec_;
    Settings settings_;
};

const std::string kDwg2000 = std::string("AC1015") + std::string(3000, 'd');

TEST_F(Standin, RunsTheGeneratedScriptForEachProductType) {
    struct Case {
        const char* product;
        const char* format;
        const char* code;
    };
    // Trusted everywhere: the trusted paths are the run's business, not this test's.
    setProfileValue("AutoCAD LT 2026", "Variables", "SECURELOAD", 0);
    for (const Case& c :
         {Case{"AutoCAD 2000", "_2000", "AC1015"}, Case{"AutoCAD 2007", "_2004", "AC1018"},
          Case{"AutoCAD 2010", "_2010", "AC1024"}, Case{"AutoCAD LT 2008", "_2007", "AC1021"},
          Case{"AutoCAD LT 2008", "_2000", "AC1015"}, Case{"AutoCAD LT 2026", "_2013", "AC1027"}}) {
        SCOPED_TRACE(std::string(c.product) + " " + c.format);
        const std::string drawing = dir_.write(std::string("d") + c.format + ".dwg", kDwg2000);
        test::WriteFileBytes(drawing + ".journal", "");
        writeScript(c.product, c.format, drawing);
        EXPECT_EQ(run(c.product, drawing), 0u);
        const std::string log = journal(drawing);
        EXPECT_EQ(Count(log, "not understood"), 0) << log;
        EXPECT_GE(Count(log, "executed: "), 8) << log;
        EXPECT_NE(log.find("product: " + std::string(c.product)), std::string::npos) << log;
        const std::string saved = ReadFileBytes(drawing);
        EXPECT_EQ(saved.substr(0, 6), c.code);
        EXPECT_NE(saved.find("PSSTANDIN-SAVE:"), std::string::npos);
        EXPECT_EQ(ReadFileBytes(drawing.substr(0, drawing.size() - 4) + ".bak"),
                  kDwg2000); // IsaveBackupDwg is 1
        EXPECT_FALSE(Exists(drawing.substr(0, drawing.size() - 4) + ".dwl"));
        // AutoCAD and AutoCAD LT 2026 run the companion and its record; LT 2008 has no AutoLISP.
        const bool lisp = std::string(c.product) != "AutoCAD LT 2008";
        EXPECT_EQ(log.find("executed: (PlansweeperFactsEnd)") != std::string::npos, lisp) << log;
        EXPECT_EQ(Exists(dir_.file("purge.facts")), lisp);
        DeleteFileW(Widen(dir_.file("purge.facts")).c_str());
    }
    reg_.deleteValue(RegRoot::CurrentUser,
                     ProfilesKeyPath("AutoCAD LT", "R32", "ACADLT-9109:409") + standin::kStandinProfile +
                         "\\Variables",
                     "SECURELOAD");
}

TEST_F(Standin, EverySaveChangesTheBytesAndTheBackupSwitchIsHonoured) {
    const std::string drawing = dir_.write("twice.dwg", kDwg2000);
    writeScript("AutoCAD 2010", "_2010", drawing);
    run("AutoCAD 2010", drawing);
    const std::string first = ReadFileBytes(drawing);
    DeleteFileW(Widen(dir_.file("twice.bak")).c_str());
    setProfileValue("AutoCAD 2010", "General Configuration", "IsaveBackupDwg", 0);
    run("AutoCAD 2010", drawing);
    setProfileValue("AutoCAD 2010", "General Configuration", "IsaveBackupDwg", 1);
    const std::string second = ReadFileBytes(drawing);
    EXPECT_EQ(second.substr(0, 6), "AC1024");
    EXPECT_NE(first, second); // a new save stamp
    EXPECT_FALSE(Exists(dir_.file("twice.bak")));
    EXPECT_NE(journal(drawing).find("IsaveBackupDwg=0"), std::string::npos);
}

TEST_F(Standin, ADxfDrawingIsSavedAsDwgBesideIt) {
    const std::string dxf =
        "  0\r\nSECTION\r\n  2\r\nHEADER\r\n  9\r\n$ACADVER\r\n  1\r\nAC1015\r\n  0\r\nENDSEC\r\n";
    const std::string drawing = dir_.write("plan.dxf", dxf);
    writeScript("AutoCAD 2010", "_2010", drawing);
    EXPECT_EQ(run("AutoCAD 2010", drawing), 0u);
    EXPECT_EQ(ReadFileBytes(drawing), dxf);
    EXPECT_EQ(ReadFileBytes(dir_.file("plan.dwg")).substr(0, 6), "AC1024") << journal(drawing);
    EXPECT_EQ(Count(journal(drawing), "not understood"), 0) << journal(drawing);
}

TEST_F(Standin, LockFileWhileOpenRemovedAfterANormalEndKeptAfterAKill) {
    const std::string drawing = dir_.write("locked.dwg", kDwg2000);
    test::WriteFileBytes(drawing + ".standin", "slow-save=3\r\n");
    writeScript("AutoCAD 2010", "_2010", drawing);
    ChildProcess child;
    ASSERT_TRUE(start(child, "AutoCAD 2010", drawing));
    EXPECT_TRUE(WaitUntil([&] { return Exists(dir_.file("locked.dwl")); }, 10000));
    EXPECT_TRUE(child.waitFor(kRunLimit));
    EXPECT_FALSE(Exists(dir_.file("locked.dwl")));

    test::WriteFileBytes(drawing + ".standin", "hang\r\n");
    ChildProcess hung;
    ASSERT_TRUE(start(hung, "AutoCAD 2010", drawing));
    EXPECT_TRUE(test::WaitForWindow(hung.pid(), "AutoCAD 2010 - [locked.dwg]", 10000) != nullptr);
    EXPECT_FALSE(hung.waitFor(3000)); // hangs
    PostMessageW(test::WaitForWindow(hung.pid(), "AutoCAD", 1000), WM_CLOSE, 0, 0);
    EXPECT_FALSE(hung.waitFor(1000)); // not even a close request ends it
    hung.kill();
    EXPECT_TRUE(Exists(dir_.file("locked.dwl")));
}

TEST_F(Standin, CrashesLeaveTheirTraces) {
    const std::string drawing = dir_.write("crash.dwg", kDwg2000);
    writeScript("AutoCAD 2010", "_2010", drawing);
    test::WriteFileBytes(drawing + ".standin", "crash\r\n");
    EXPECT_EQ(run("AutoCAD 2010", drawing), 0xC0000005u);
    EXPECT_EQ(ReadFileBytes(drawing), kDwg2000);
    EXPECT_TRUE(Exists(dir_.file("crash.dwl")));

    DeleteFileW(Widen(dir_.file("crash.dwl")).c_str());
    test::WriteFileBytes(drawing + ".standin", "crash-during-save\r\n");
    EXPECT_EQ(run("AutoCAD 2010", drawing), 0xC0000005u);
    const std::string partial = ReadFileBytes(drawing);
    EXPECT_LT(partial.size(), kDwg2000.size());
    EXPECT_EQ(partial.substr(0, 6), "AC1024");
}

TEST_F(Standin, ExitCodeSlowStartAndNoSave) {
    const std::string drawing = dir_.write("codes.dwg", kDwg2000);
    writeScript("AutoCAD 2010", "_2010", drawing);
    test::WriteFileBytes(drawing + ".standin", "exit-code=7\r\nslow-start=2\r\nno-save\r\n");
    const ULONGLONG began = GetTickCount64();
    EXPECT_EQ(run("AutoCAD 2010", drawing), 7u);
    EXPECT_GE(GetTickCount64() - began, 2000u);
    EXPECT_EQ(ReadFileBytes(drawing), kDwg2000); // quit without saving
    EXPECT_NE(journal(drawing).find("save skipped"), std::string::npos);
}

TEST_F(Standin, PopupsAreOwnedByTheMainWindowAndBlockTheScript) {
    const std::string drawing = dir_.write("popup.dwg", kDwg2000);
    writeScript("AutoCAD 2010", "_2010", drawing);
    test::WriteFileBytes(drawing + ".standin", "popup=AutoCAD Alert|&Yes,&No\r\nproxy-objects\r\n");
    ChildProcess child;
    ASSERT_TRUE(start(child, "AutoCAD 2010", drawing));
    HWND proxy = test::WaitForWindow(child.pid(), "Proxy Information", 10000); // ShowProxyDialog is 1
    ASSERT_NE(proxy, nullptr) << journal(drawing);
    HWND main = test::WaitForWindow(child.pid(), "AutoCAD 2010 - [popup.dwg]", 1000);
    EXPECT_EQ(GetWindow(proxy, GW_OWNER), main);
    PostMessageW(proxy, WM_CLOSE, 0, 0);
    HWND alert = test::WaitForWindow(child.pid(), "AutoCAD Alert", 10000);
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(GetWindow(alert, GW_OWNER), main);
    EXPECT_EQ(test::ButtonCaptions(alert), (std::vector<std::string>{"&Yes", "&No"}));
    EXPECT_FALSE(child.waitFor(1000)); // the script waits for the answer
    EXPECT_EQ(ReadFileBytes(drawing), kDwg2000);
    SendMessageTimeoutW(FindWindowExW(alert, nullptr, L"Button", L"&Yes"), BM_CLICK, 0, 0, SMTO_ABORTIFHUNG,
                        5000, nullptr);
    EXPECT_TRUE(child.waitFor(kRunLimit)) << journal(drawing);
    EXPECT_EQ(child.exitCode(), 0u);
    const std::string log = journal(drawing);
    EXPECT_NE(log.find("dialog Proxy Information: closed"), std::string::npos) << log;
    EXPECT_NE(log.find("dialog AutoCAD Alert: &Yes"), std::string::npos) << log;
    EXPECT_EQ(ReadFileBytes(drawing).substr(0, 6), "AC1024");
}

TEST_F(Standin, StickyUnownedAndHungDialogs) {
    const std::string drawing = dir_.write("dialogs.dwg", kDwg2000);
    writeScript("AutoCAD 2010", "_2010", drawing);
    test::WriteFileBytes(
        drawing + ".standin",
        "unowned-popup=Proxy Information|OK\r\nsticky-popup=Project Path Selection|Cancel\r\n"
        "hung-ui=AutoCAD Error|OK\r\n");
    ChildProcess child;
    ASSERT_TRUE(start(child, "AutoCAD 2010", drawing));
    HWND unowned = test::WaitForWindow(child.pid(), "Proxy Information", 10000);
    ASSERT_NE(unowned, nullptr);
    EXPECT_EQ(GetWindow(unowned, GW_OWNER), nullptr);
    PostMessageW(unowned, WM_CLOSE, 0, 0);
    HWND sticky = test::WaitForWindow(child.pid(), "Project Path Selection", 10000);
    ASSERT_NE(sticky, nullptr);
    PostMessageW(sticky, WM_CLOSE, 0, 0);
    Sleep(500);
    EXPECT_TRUE(IsWindow(sticky)); // only its button ends it
    PostMessageW(sticky, WM_COMMAND, 100,
                 reinterpret_cast<LPARAM>(FindWindowExW(sticky, nullptr, L"Button", L"Cancel")));
    HWND hung = test::WaitForWindow(child.pid(), "AutoCAD Error", 10000);
    ASSERT_NE(hung, nullptr);
    Sleep(300);
    DWORD_PTR result = 0;
    EXPECT_EQ(SendMessageTimeoutW(hung, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &result), 0); // not answering
    child.kill();
    const std::string log = journal(drawing);
    EXPECT_NE(log.find("dialog Project Path Selection: close ignored"), std::string::npos) << log;
    EXPECT_NE(log.find("dialog Project Path Selection: Cancel"), std::string::npos) << log;
}

TEST_F(Standin, NameCheckAndQuitWithoutDiscardAnswer) {
    const std::string drawing = dir_.write("real.dwg", kDwg2000);
    writeScript("AutoCAD 2010", "_2010", dir_.file("other.dwg"));
    EXPECT_EQ(run("AutoCAD 2010", drawing), 0u);
    EXPECT_EQ(ReadFileBytes(drawing), kDwg2000);
    EXPECT_FALSE(Exists(dir_.file("other.dwg")));
    EXPECT_EQ(journal(drawing).find("saved "), std::string::npos);

    test::WriteFileBytes(dir_.file("purge.scr"), "_.purge _A * _n\r\n_.quit\r\n");
    ChildProcess child;
    ASSERT_TRUE(start(child, "AutoCAD 2010", drawing));
    EXPECT_FALSE(child.waitFor(3000)); // waits for the answer to the discard question
    HWND main = test::WaitForWindow(child.pid(), "AutoCAD 2010", 1000);
    for (char c : std::string("_Y "))
        PostMessageW(main, WM_CHAR, static_cast<WPARAM>(c), 0);
    EXPECT_TRUE(child.waitFor(10000));
    EXPECT_NE(journal(drawing).find("typed: _Y"), std::string::npos);
}

TEST_F(Standin, KeysTypedIntoItsWindowReachTheCommandLine) {
    const std::string drawing = dir_.write("keys.dwg", kDwg2000);
    test::WriteFileBytes(dir_.file("purge.scr"), "_.zoom _e\r\n");
    ChildProcess child;
    ASSERT_TRUE(start(child, "AutoCAD 2010", drawing));
    HWND main = test::WaitForWindow(child.pid(), "AutoCAD 2010", 10000);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return journal(drawing).find("script ended") != std::string::npos; }, 10000));
    for (char c : std::string("RESUME "))
        PostMessageW(main, WM_CHAR, static_cast<WPARAM>(c), 0);
    PostMessageW(main, WM_CHAR, 27, 0);
    EXPECT_TRUE(WaitUntil([&] { return journal(drawing).find("key: {ESC}") != std::string::npos; }, 5000));
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(child.waitFor(10000));
    EXPECT_EQ(child.exitCode(), 0u);
    EXPECT_NE(journal(drawing).find("typed: RESUME"), std::string::npos);
    EXPECT_FALSE(Exists(dir_.file("keys.dwl")));
}

TEST(StandinRegistrationTool, WritesWhatTheLookupsReadBack) {
    test::TempDir root;
    WinRegistry reg;
    standin::UnregisterStandins(reg);
    ChildProcess tool;
    ASSERT_TRUE(tool.start("\"" + test::ProgramFolder() + "\\standin\\acad-standin-register.exe\" --root \"" +
                           root.path() + "\""));
    ASSERT_TRUE(tool.waitFor(kRunLimit));
    EXPECT_EQ(tool.exitCode(), 0u);
    for (const auto& p : standin::StandinProducts()) {
        SCOPED_TRACE(p.name);
        EXPECT_EQ(AcadProductType(reg, p.name), p.type);
        EXPECT_EQ(AcadReleaseKey(reg, p.name), p.release);
        EXPECT_EQ(AcadProductKey(reg, p.name), p.productKey);
        const std::string exe = AcadExePath(reg, p.name);
        EXPECT_EQ(exe, root.path() + "\\" + p.name + "\\" + p.exeName);
        EXPECT_NE(GetFileAttributesW(Widen(exe).c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(AcadProfileOf(reg, p.type, p.release, p.productKey), standin::kStandinProfile);
    }
    EXPECT_EQ(AcadCurrentProductName(reg), "AutoCAD 2010");
    ChildProcess remove;
    ASSERT_TRUE(
        remove.start("\"" + test::ProgramFolder() + "\\standin\\acad-standin-register.exe\" --remove"));
    ASSERT_TRUE(remove.waitFor(kRunLimit));
    EXPECT_TRUE(AcadAllProductNames(reg).empty());
}

} // namespace
} // namespace ps
