// The wait, the pop-up closer, the profile values and ProcessFile against the
// stand-in AutoCAD under Wine, with real processes, windows and registry.
#include "acad/host.h"
#include "acad/popup_closer.h"
#include "acad/products.h"
#include "acad/profile_values.h"
#include "acad/releases.h"
#include "platform/text.h"
#include "platform/win_file_system.h"
#include "platform/win_registry.h"
#include "platform/win_system.h"
#include "run/process_file.h"
#include "script/purge_script.h"
#include "support/fake_ports.h"
#include "support/standin_fixture.h"
#include "support/win_process.h"
#include "support/win_temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace ps {
namespace {

using test::ReadFileBytes;

const std::string kDwg = std::string("AC1015") + std::string(2000, 'w');

class RealWait : public test::WithStandins<> {
protected:
    void SetUp() override { program_ = test::MakeProgramFolder(dir_); }

    std::string drawing(const std::string& name, const std::string& directives = {}) {
        const std::string path = dir_.write(name, kDwg);
        if (!directives.empty())
            test::WriteFileBytes(path + ".standin", directives);
        return path;
    }

    void script(const std::string& product, const std::string& target) {
        Settings s;
        s.ProdName = product;
        s.PurgeTimes = 1;
        s.PurgeAll = -1;
        const ScriptEnvironment env{files_, codec_, dir_.file("purge"), program_};
        ASSERT_EQ(CreateSCRpurge(env, s, ScriptProductOf(reg_, product, true), SaveFormat{ReleaseFamily::R18},
                                 target),
                  ScriptResult::Written);
    }

    ShellWaitPorts ports(const std::string& path, bool r15) {
        return ShellWaitPorts{
            runner_, pump_, clock_, prompt_, state_, [this, path, r15](const ProcessFilter& ours) {
                PopUpScanContext c{windows_, files_, codec_, clock_, logPath()};
                return CloseAcadPopUps(c, r15, path, ours);
            }};
    }

    // Runs AutoCAD 2010 on the drawing with a script for it and waits.
    std::int16_t wait(const std::string& path, std::int32_t timeout = 60, bool r15 = true,
                      const std::string& product = "AutoCAD 2010") {
        script(product, path);
        auto p = ports(path, r15);
        const ULONGLONG began = GetTickCount64();
        const auto outcome = ShellWait(
            p, BatchCommandLine(AcadExePath(reg_, product), path, dir_.file("purge")), 1, timeout, true);
        seconds_ = static_cast<double>(GetTickCount64() - began) / 1000.0;
        return outcome;
    }

    // The runner keeps the last process's handle until its next start.
    bool processGone() { return WaitForSingleObject(runner_.handle(), 2000) == WAIT_OBJECT_0; }

    std::string logPath() { return dir_.file("PlansweeperClosedPopUps.log"); }
    static std::string journal(const std::string& path) { return ReadFileBytes(path + ".journal"); }
    static bool Has(const std::string& text, const std::string& part) {
        return text.find(part) != std::string::npos;
    }

    test::TempDir dir_;
    std::string program_;
    WinRegistry reg_;
    WinFileSystem files_;
    WinAnsiCodec codec_;
    WinClock clock_;
    WinMessagePump pump_;
    WinProcessRunner runner_;
    WinWindowScanner windows_;
    test::ScriptedPrompt prompt_;
    RunState state_;
    double seconds_ = 0;
};

TEST_F(RealWait, NormalEndAndAHangThatTimesOut) {
    const std::string ok = drawing("ok.dwg");
    EXPECT_EQ(wait(ok), kOutcomeEnded);
    EXPECT_EQ(ReadFileBytes(ok).substr(0, 6), "AC1024");
    EXPECT_TRUE(processGone());

    const std::string hung = drawing("hung.dwg", "hang\r\n");
    EXPECT_EQ(wait(hung, 3), kOutcomeTimeout);
    EXPECT_GE(seconds_, 4.0);
    EXPECT_LT(seconds_, 15.0);
    EXPECT_TRUE(processGone());
}

TEST_F(RealWait, AutoCadErrorIsRememberedAsThreeAndLogged) {
    const std::string path = drawing("error.dwg", "popup=AutoCAD Error|OK\r\n");
    // The log's date is today's, as the clock gives it (read on both sides of a midnight).
    const auto today = [] {
        const std::string now = WinClock().nowText();
        return now.substr(0, now.find(' '));
    };
    const std::string dayBefore = today();
    EXPECT_EQ(wait(path), 3);
    const std::string dayAfter = today();
    EXPECT_LT(seconds_, 30.0); // ended by itself, long before the time-out
    const std::string log = journal(path);
    EXPECT_TRUE(Has(log, "dialog AutoCAD Error: closed")) << log;
    // Once an error was met, AutoCAD's own window counts as one of its
    // pop-ups in the same scan and is closed as well: the process ends by
    // itself, unsaved.
    EXPECT_TRUE(Has(log, "window closed")) << log;
    EXPECT_EQ(ReadFileBytes(path), kDwg);
    const std::string lines = ReadFileBytes(logPath());
    const auto first = lines.find(';');
    ASSERT_NE(first, std::string::npos) << lines;
    const std::string stamp = lines.substr(0, first);
    const std::string day = stamp.substr(0, stamp.find(' '));
    EXPECT_TRUE(day == dayBefore || day == dayAfter) << lines; // the date
    EXPECT_TRUE(Has(stamp.substr(day.size()), ":")) << lines;  // and the time
    EXPECT_EQ(lines.substr(first, lines.find("\r\n") - first), ";" + path + ";AutoCAD Error");
    EXPECT_TRUE(Has(lines, ";" + path + ";AutoCAD 2010 - [error.dwg]\r\n")) << lines;
}

TEST_F(RealWait, AlertsAreAnsweredYesJaOrContinue) {
    for (const char* buttons : {"&Yes,&No", "&Ja,&Nein", "C&ontinue"}) {
        SCOPED_TRACE(buttons);
        const std::string path = drawing("alert.dwg", std::string("popup=AutoCAD Alert|") + buttons + "\r\n");
        test::WriteFileBytes(path + ".journal", "");
        EXPECT_EQ(wait(path), kOutcomeEnded);
        const std::string first = std::string(buttons).substr(0, std::string(buttons).find(','));
        EXPECT_TRUE(Has(journal(path), "dialog AutoCAD Alert: " + first)) << journal(path);
    }
}

TEST_F(RealWait, WindowsThatAreNotAutoCadsPopUpsAreLeftAlone) {
    const std::string notepad = drawing("notepad.dwg", "popup=Untitled - Notepad|OK\r\n");
    EXPECT_EQ(wait(notepad, 3), kOutcomeTimeout);
    EXPECT_FALSE(Has(journal(notepad), "dialog Untitled - Notepad: closed"));

    const std::string proxy = drawing("proxy.dwg", "unowned-popup=Proxy Information|OK\r\n");
    EXPECT_EQ(wait(proxy, 3), kOutcomeTimeout);
    EXPECT_FALSE(Has(journal(proxy), "dialog Proxy Information: closed"));
    EXPECT_EQ(ReadFileBytes(logPath()), "");
}

// A wait that saw AutoCAD running, then a question the user answers after
// AutoCAD has saved and quit: the answer about the process is fresh, so
// Stop -> Yes does not take a finished save for a stopped one.
TEST_F(RealWait, AProcessThatEndedDuringAQuestionIsSeenToHaveEnded) {
    const std::string path = dir_.write("ended.dwg", "AC1024" + std::string(1018, 'w'));
    script("AutoCAD 2010", path);
    ASSERT_TRUE(
        runner_.start(BatchCommandLine(AcadExePath(reg_, "AutoCAD 2010"), path, dir_.file("purge")), 1));
    ASSERT_NE(runner_.waitForWake(1), ProcessRunner::Wake::ProcessEnded);
    ASSERT_EQ(WaitForSingleObject(runner_.handle(), 60000), WAIT_OBJECT_0);
    EXPECT_TRUE(runner_.hasEndedNow());
}

TEST_F(RealWait, ACommandLineThatCannotStart) {
    auto p = ports(dir_.file("x.dwg"), true);
    EXPECT_EQ(ShellWait(p, "\"" + dir_.file("no such acad.exe") + "\" \"x.dwg\"", 1, 10, true),
              kOutcomeNotStarted);
}

TEST_F(RealWait, ProjectPathSelectionAndDialogsWithoutNo) {
    const std::string project = drawing("project.dwg", "sticky-popup=Project Path Selection|Cancel\r\n");
    EXPECT_EQ(wait(project), kOutcomeEnded);
    EXPECT_TRUE(Has(journal(project), "dialog Project Path Selection: Cancel")) << journal(project);

    const std::string message = drawing("message.dwg", "sticky-popup=AutoCAD Message|Cancel\r\n");
    EXPECT_EQ(wait(message), kOutcomeEnded);
    const std::string log = journal(message);
    const auto ignored = log.find("dialog AutoCAD Message: close ignored");
    const auto escape = log.find("key: {ESC}");
    const auto cancel = log.find("dialog AutoCAD Message: Cancel");
    ASSERT_NE(ignored, std::string::npos) << log;
    ASSERT_NE(escape, std::string::npos) << log;
    ASSERT_NE(cancel, std::string::npos) << log;
    EXPECT_LT(ignored, escape);
    EXPECT_LT(escape, cancel);
}

TEST_F(RealWait, OurWindowInFrontGetsTheFocusBackAfterKeysAreTypedIntoAutoCad) {
    HWND ours = CreateWindowExW(0, L"STATIC", L"Plansweeper focus", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                200, 100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(ours, nullptr);
    SetForegroundWindow(ours);
    const std::string path = drawing("hung.dwg", "hang\r\n");
    script("AutoCAD 2010", path);
    ASSERT_TRUE(
        runner_.start(BatchCommandLine(AcadExePath(reg_, "AutoCAD 2010"), path, dir_.file("purge")), 1));
    const HWND acad = test::WaitForWindow(GetProcessId(runner_.handle()), "AutoCAD", 10000);
    ASSERT_NE(acad, nullptr);
    SetForegroundWindow(ours);
    ASSERT_TRUE(windows_.activate(reinterpret_cast<WindowScanner::Window>(acad)));
    windows_.typeKeys(reinterpret_cast<WindowScanner::Window>(acad), "{ESC}");
    // The system moves the focus between programs when their queues are handled.
    for (const ULONGLONG end = GetTickCount64() + 500; GetTickCount64() < end; Sleep(20))
        for (MSG m; PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE);)
            DispatchMessageW(&m);
    EXPECT_EQ(GetForegroundWindow(), ours);
    TerminateProcess(runner_.handle(), 1);
    DestroyWindow(ours);
}

TEST_F(RealWait, ResumeIsTypedIntoAutoCadBeforeRelease2000) {
    const std::string path = drawing("r14.dwg", "popup=AutoCAD Message|OK\r\n");
    EXPECT_EQ(wait(path, 60, false), kOutcomeEnded);
    EXPECT_TRUE(Has(journal(path), "typed: RESUME")) << journal(path);
}

TEST_F(RealWait, AHungAutoCadWithAPopUpStillEndsByTheTimeOut) {
    const std::string path = drawing("frozen.dwg", "hung-ui=AutoCAD Message|OK\r\n");
    EXPECT_EQ(wait(path, 3), kOutcomeTimeout);
    EXPECT_LT(seconds_, 30.0);
    EXPECT_TRUE(processGone());
}

// AutoCAD's error report comes from a program AutoCAD starts and waits for.
TEST_F(RealWait, APopUpOfAProgramAutoCadStartedIsAnswered) {
    const std::string path = drawing("helper.dwg", "helper-popup=AutoCAD Error Report|Send\r\n");
    EXPECT_EQ(wait(path, 30), kOutcomeEnded);
    EXPECT_TRUE(Has(journal(path), "dialog AutoCAD Error Report: closed")) << journal(path);
    EXPECT_TRUE(Has(ReadFileBytes(logPath()), ";" + path + ";AutoCAD Error Report\r\n"));
}

TEST_F(RealWait, AnotherAutoCadsAlertIsLeftAlone) {
    const std::string theirs = drawing("theirs.dwg", "popup=AutoCAD Alert|&Yes\r\n");
    test::ChildProcess user;
    ASSERT_TRUE(user.start(InteractiveCommandLine(AcadExePath(reg_, "AutoCAD 2007"), theirs)));
    ASSERT_NE(test::WaitForWindow(user.pid(), "AutoCAD Alert", 10000), nullptr);
    EXPECT_EQ(wait(drawing("ours.dwg")), kOutcomeEnded);
    EXPECT_FALSE(Has(journal(theirs), "dialog AutoCAD Alert: &Yes"));
    EXPECT_TRUE(user.running());
    user.kill();
}

TEST_F(RealWait, TheTerminateQuestion) {
    const std::string hung = drawing("stop.dwg", "hang\r\n");
    state_.requestStop();
    prompt_.answer = true;
    EXPECT_EQ(wait(hung, 60), kOutcomeUserStop);
    EXPECT_LT(seconds_, 10.0);
    EXPECT_TRUE(processGone());
    EXPECT_EQ(prompt_.questions.size(), 1u);

    prompt_.answer = false;
    prompt_.questions.clear();
    EXPECT_EQ(wait(drawing("goes-on.dwg", "slow-save=2\r\n")), kOutcomeEnded);
    EXPECT_EQ(prompt_.questions.size(), 1u);
    prompt_.questions.clear();
    EXPECT_EQ(wait(hung, 3), kOutcomeTimeout);
    EXPECT_EQ(prompt_.questions.size(), 1u);
}

TEST_F(RealWait, ProfileValuesWhileAutoCadRunsAndAfterwards) {
    const std::string prod = "AutoCAD 2010";
    const std::string profileKey = AcadProfileKey(reg_, prod, "<<Unnamed Profile>>");
    const std::string fixedKey = AcadFixedProfileKey(reg_, prod);
    ASSERT_TRUE(reg_.deleteValue(RegRoot::CurrentUser, profileKey + "\\General", "ShowProxyDialog"));
    const std::string path = drawing("profile.dwg");
    SavedProfileValues saved = GetAcadRegistry(reg_, prod, "<<Unnamed Profile>>", false);
    EXPECT_EQ(wait(path), kOutcomeEnded);
    RestoreAcadRegistry(reg_, saved);
    EXPECT_TRUE(Has(journal(path), "ShowProxyDialog=0 IsaveBackupDwg=0 FileDialog=1")) << journal(path);
    EXPECT_EQ(ReadRegValue(reg_, RegRoot::CurrentUser, profileKey + "\\General", "ShowProxyDialog"),
              RegVariant(std::int32_t{1}));
    EXPECT_EQ(
        ReadRegValue(reg_, RegRoot::CurrentUser, profileKey + "\\General Configuration", "IsaveBackupDwg"),
        RegVariant(std::int32_t{1}));
    EXPECT_EQ(ReadRegValue(reg_, RegRoot::CurrentUser, fixedKey, "FileDialog"), RegVariant(std::int32_t{0}));

    saved = GetAcadRegistry(reg_, prod, "<<Unnamed Profile>>", true);
    EXPECT_EQ(wait(path), kOutcomeEnded);
    RestoreAcadRegistry(reg_, saved);
    EXPECT_TRUE(Has(journal(path), "ShowProxyDialog=0 IsaveBackupDwg=1 FileDialog=1")) << journal(path);
}

TEST_F(RealWait, ProcessFileRestoresDatesOnlyAfterANormalEnd) {
    const FileTimes known{130'000'000'000'000'000ULL, 131'000'000'000'000'000ULL, 132'000'000'000'000'000ULL};
    const std::string path = drawing("dated.dwg");
    ASSERT_TRUE(files_.setFileTimes(path, known));
    script("AutoCAD 2010", path);
    auto p = ports(path, true);
    ProcessFileRequest request{
        AcadExePath(reg_, "AutoCAD 2010"), path, dir_.file("purge"), 60, true, 1, true, {}, {}, {}};
    EXPECT_EQ(ProcessFile(p, files_, request), kOutcomeEnded);
    // Wine cannot set a file's creation time on the host's file system; the
    // other two are what the list shows and compares.
    EXPECT_EQ(files_.fileTimes(path)->modified, known.modified);
    EXPECT_EQ(files_.fileTimes(path)->accessed, known.accessed);
    EXPECT_EQ(ReadFileBytes(path).substr(0, 6), "AC1024");

    // A script that saves and never quits: AutoCAD has changed the file when the time-out ends it.
    const std::string stuck = drawing("stuck.dwg");
    ASSERT_TRUE(files_.setFileTimes(stuck, known));
    test::WriteFileBytes(dir_.file("purge.scr"), "_.saveas\r\n_2010\r\n\"" + stuck + "\"\r\n");
    request.drawingPath = stuck;
    request.timeoutSeconds = 3;
    auto q = ports(stuck, true);
    EXPECT_EQ(ProcessFile(q, files_, request), kOutcomeTimeout);
    EXPECT_EQ(ReadFileBytes(stuck).substr(0, 6), "AC1024") << journal(stuck);
    EXPECT_NE(files_.fileTimes(stuck)->modified, known.modified);
    EXPECT_EQ(GetFileAttributesW(Widen(dir_.file("stuck.dwl")).c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(Has(journal(stuck), "saved ")) << journal(stuck);
}

} // namespace
} // namespace ps
