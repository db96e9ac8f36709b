// Plansweeper.exe as a user and an automation tool meet it: real processes,
// real windows under Wine, read from this (another) process.
#include "acad/profile_values.h"
#include "core/registry.h"
#include "drawinglist/drawing_list.h"
#include "support/standin_fixture.h"

#include <windows.h>
#include <tlhelp32.h>
#include "platform/text.h"
#include "platform/win_paths.h"
#include "platform/win_registry.h"
#include "support/automation.h"
#include "support/win_process.h"
#include "support/win_temp_dir.h"
#include "ui/main_layout.h"
#include "ui/main_window.h"
#include "ui/win_ui.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>

namespace ps {
namespace {

constexpr const char* kSettingsKey = "Software\\VB and VBA Program Settings\\QUILLMERE";
const std::wstring kMarker = L"QUILLMERE Plansweeper_APPLICATION";
constexpr WPARAM kAboutCommand = 114; // Help > About (ui/commands.h)

class MainWindowProcess : public testing::Test {
protected:
    void SetUp() override {
        DeleteRegTree(reg_, RegRoot::CurrentUser, kSettingsKey);
        DeleteFileW(Widen(WorkingListPath()).c_str());
    }
    void TearDown() override {
        for (auto* child : {&first_, &second_})
            child->kill();
        DeleteFileW(Widen(WorkingListPath()).c_str()); // a killed window leaves it
        DeleteRegTree(reg_, RegRoot::CurrentUser, kSettingsKey);
        setDpi(96);
    }

    std::string exe() const { return "\"" + test::ProgramFolder() + "\\Plansweeper.exe\""; }

    // Starts the program and waits for its marked main window.
    HWND start(test::ChildProcess& child, const std::string& tail) {
        EXPECT_TRUE(child.start(exe() + (tail.empty() ? "" : " " + tail)));
        HWND main = nullptr;
        test::WaitUntil([&] { return (main = test::FindMarkedWindow(child.pid(), kMarker)) != nullptr; },
                        20000);
        return main;
    }
    // A second start: it must end by itself.
    void handOver(const std::string& tail) {
        test::ChildProcess child;
        ASSERT_TRUE(child.start(exe() + (tail.empty() ? "" : " " + tail)));
        ASSERT_TRUE(child.waitFor(15000));
        EXPECT_EQ(child.exitCode(), 0u);
    }
    void close(HWND main, test::ChildProcess& child) {
        PostMessageW(main, WM_CLOSE, 0, 0);
        EXPECT_TRUE(child.waitFor(15000));
    }
    std::string stored(const std::string& name) {
        const auto v =
            reg_.queryValue(RegRoot::CurrentUser, std::string(kSettingsKey) + "\\PLANSWEEPER", name);
        return v ? std::string(v->data.begin(), v->data.end() - (v->data.empty() ? 0 : 1)) : std::string();
    }
    void setDpi(std::uint32_t dpi) {
        reg_.setValue(RegRoot::CurrentUser, "Control Panel\\Desktop", "LogPixels", RegDwordValue(dpi));
    }
    static HWND list(HWND main) { return test::ChildOfClass(main, WC_LISTVIEWW); }

    WinRegistry reg_;
    test::TempDir dir_;
    test::ChildProcess first_;
    test::ChildProcess second_;
};

TEST_F(MainWindowProcess, ASecondStartHandsItsDrawingOverAndEnds) {
    const std::string drawing = dir_.write("plan a.dwg", "AC1015" + std::string(3000, 'x'));
    HWND main = start(first_, "/NOLOGO");
    ASSERT_NE(main, nullptr);
    handOver("/nologo \"" + drawing + "\"");
    ASSERT_TRUE(test::WaitUntil([&] { return test::ListRowCount(list(main)) == 1; }, 5000));
    EXPECT_EQ(test::ListCell(list(main), 0, 0), "plan a.dwg");
    EXPECT_EQ(test::ListCell(list(main), 0, 1), dir_.path());
    // A path without quotes, named outside the ANSI code page, arrives whole;
    // a folder is no drawing.
    const std::string unicode = dir_.write("Plan \u03a9 \u5317\u4eac.dwg", "AC1015" + std::string(3000, 'x'));
    handOver(unicode);
    ASSERT_TRUE(test::WaitUntil([&] { return test::ListRowCount(list(main)) == 2; }, 5000));
    EXPECT_EQ(test::ListCell(list(main), 1, 0), "Plan \u03a9 \u5317\u4eac.dwg");
    handOver("\"" + dir_.path() + "\"");
    handOver("ab");
    Sleep(300);
    EXPECT_EQ(test::ListRowCount(list(main)), 2);
    // Minimised, a drawing handed over restores the window.
    ShowWindow(main, SW_MINIMIZE);
    ASSERT_TRUE(test::WaitUntil([&] { return IsIconic(main) != 0; }, 3000));
    const std::string second = dir_.write("plan b.dwg", "AC1015" + std::string(3000, 'x'));
    handOver("/nologo \"" + second + "\"");
    EXPECT_TRUE(
        test::WaitUntil([&] { return test::ListRowCount(list(main)) == 3 && !IsIconic(main); }, 5000));
    // With the window hidden, an empty tail arrives as one zero byte and shows it.
    ShowWindow(main, SW_HIDE);
    ASSERT_TRUE(test::WaitUntil([&] { return !IsWindowVisible(main); }, 3000));
    handOver("");
    EXPECT_TRUE(test::WaitUntil([&] { return IsWindowVisible(main) != 0; }, 5000));
    // Visible, an empty tail only activates it; the first instance goes on.
    handOver("");
    EXPECT_TRUE(first_.running());
}

TEST_F(MainWindowProcess, TheSplashClosesByItselfAndAboutOnAKey) {
    const ULONGLONG started = GetTickCount64();
    ASSERT_TRUE(first_.start(exe()));
    const HWND splash = test::WaitForWindow(first_.pid(), "About Plansweeper", 15000);
    ASSERT_NE(splash, nullptr);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(splash, IDCANCEL)));
    HWND main = nullptr;
    ASSERT_TRUE(test::WaitUntil(
        [&] { return (main = test::FindMarkedWindow(first_.pid(), kMarker)) != nullptr; }, 15000));
    EXPECT_FALSE(IsWindow(splash));
    EXPECT_GE(GetTickCount64() - started, 1900u);

    PostMessageW(main, WM_COMMAND, kAboutCommand, 0);
    const HWND about = test::WaitForWindow(first_.pid(), "About Plansweeper", 10000);
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(about, IDCANCEL)));
    // Every link has the room its text needs, underline and descenders included.
    int links = 0;
    for (HWND c = GetWindow(about, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
        wchar_t cls[32]{};
        GetClassNameW(c, cls, 32);
        if (lstrcmpiW(cls, L"SysLink") != 0)
            continue;
        ++links;
        RECT box{};
        GetClientRect(c, &box);
        EXPECT_LE(SendMessageW(c, LM_GETIDEALHEIGHT, static_cast<WPARAM>(box.right), 0), box.bottom);
    }
    EXPECT_EQ(links, 3);
    PostMessageW(about, WM_KEYDOWN, VK_TAB, 0); // moves between its links
    Sleep(2500);                                // no timer on request
    EXPECT_TRUE(IsWindow(about));
    PostMessageW(about, WM_KEYDOWN, 'X', 0); // any other key closes it, as it does the splash
    EXPECT_TRUE(test::WaitUntil([&] { return !IsWindow(about); }, 5000));
}

TEST_F(MainWindowProcess, AnAutomationClientReadsTheToolbarAndTheList) {
    const std::string drawing = dir_.write("b.dwg", "AC1018" + std::string(5000, 'y'));
    HWND main = start(first_, "/nologo \"" + drawing + "\"");
    ASSERT_NE(main, nullptr);
    const auto buttons = test::ToolbarButtons(test::ChildOfClass(main, TOOLBARCLASSNAMEW));
    const char* texts[] = {"Add folders Only",       "Add folders", "Add Drawings", "Run",
                           "Remove files from list", "Settings",    "Start timer",  "",
                           "Stop scripting"};
    ASSERT_EQ(buttons.size(), std::size(texts));
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        EXPECT_EQ(buttons[i].text, texts[i]);
        EXPECT_EQ((buttons[i].state & TBSTATE_HIDDEN) != 0, i == 8) << texts[i];
        EXPECT_EQ((buttons[i].style & BTNS_SHOWTEXT) != 0, i < 4) << texts[i];
    }
    EXPECT_EQ(test::ListColumns(list(main)),
              (std::vector<std::string>{"Filename", "Path", "Version", "Status", "Size before", "Size after",
                                        "Date before", "Date after", "Missing"}));
    ASSERT_EQ(test::ListRowCount(list(main)), 1);
    EXPECT_EQ(test::ListCell(list(main), 0, 0), "b.dwg");
    EXPECT_EQ(test::ListCell(list(main), 0, 4), "5");
    EXPECT_FALSE(test::ListCell(list(main), 0, 6).empty());
}

// The resize table at 100 % and 150 %, and the layout kept at exit.
TEST_F(MainWindowProcess, TheLayoutFollowsTheResizeTableAtEveryDpiAndIsKeptAtExit) {
    for (const int dpi : {96, 144}) {
        SCOPED_TRACE(dpi);
        setDpi(static_cast<std::uint32_t>(dpi));
        test::ChildProcess child;
        HWND main = start(child, "/nologo");
        ASSERT_NE(main, nullptr);
        auto px = [&](std::int32_t twips) {
            return TwipsToPixels(twips, dpi);
        };
        // The product label in the window's font at this DPI: the smallest
        // window leaves room for its head and the first totals.
        const HWND label = GetDlgItem(main, 16);
        const int textHeight = ProductLabelTextHeight(label, MessageFont(dpi).get(), kLabelLinesAtMinimum);
        const std::int32_t minHeight = MinWindowHeightTwips(PixelsToTwips(textHeight, dpi));

        // An empty store keeps the designed client width and opens high
        // enough for every line of a run's totals.
        RECT client, window, labelBox;
        GetClientRect(main, &client);
        GetWindowRect(main, &window);
        GetClientRect(label, &labelBox);
        EXPECT_NEAR(client.right, px(8100), 1);
        EXPECT_GE(client.bottom, px(4620) - 1);
        EXPECT_GE(labelBox.bottom,
                  ProductLabelTextHeight(label, MessageFont(dpi).get(), kLabelLinesWithTotals));

        SetWindowPos(main, nullptr, 0, 0, 10, 10, SWP_NOMOVE | SWP_NOZORDER); // the minimum holds it
        GetWindowRect(main, &window);
        EXPECT_EQ(window.right - window.left, px(kMinWindowWidthTwips));
        EXPECT_NEAR(window.bottom - window.top, px(minHeight), 1);
        EXPECT_GE(test::ChildRect(label).bottom - test::ChildRect(label).top, textHeight - 1);
        const HWND lv = list(main);
        const RECT small = test::ChildRect(lv);
        EXPECT_EQ(small.left, px(120));
        EXPECT_NEAR(small.right - small.left, px(4812), 1);
        // The list ends where the status line begins (720 + 3500 = 4220 twips
        // at the designed minimum); its top leaves room for the meter under the toolbar.
        const HWND statusLine = GetDlgItem(main, 18);
        EXPECT_NEAR(small.bottom, test::ChildRect(statusLine).top, 1);
        EXPECT_NEAR(test::ChildRect(statusLine).top - test::ChildRect(label).top,
                    px(4220 - 2520 + minHeight - kMinWindowHeightTwips), 1);

        SetWindowPos(main, nullptr, 0, 0, px(kMinWindowWidthTwips + 600), px(minHeight + 300),
                     SWP_NOMOVE | SWP_NOZORDER);
        const RECT big = test::ChildRect(lv);
        EXPECT_NEAR((big.right - big.left) - (small.right - small.left), px(600), 1);
        EXPECT_NEAR((big.bottom - big.top) - (small.bottom - small.top), px(300), 1);
        EXPECT_EQ(big.top, small.top);

        ShowWindow(main, SW_MINIMIZE); // nothing is raised
        ShowWindow(main, SW_RESTORE);
        SetWindowPos(main, nullptr, 40, 50, px(9000), px(6000), SWP_NOZORDER);
        close(main, child);
        EXPECT_NEAR(std::stoi(stored("Width")), 9000, 30);
        EXPECT_NEAR(std::stoi(stored("Left")), PixelsToTwips(40, dpi), 30);
        EXPECT_EQ(stored("WindowState"), "0");

        test::ChildProcess again;
        main = start(again, "/nologo");
        ASSERT_NE(main, nullptr);
        GetWindowRect(main, &window);
        EXPECT_NEAR(window.right - window.left, px(9000), 2);
        EXPECT_NEAR(window.left, 40, 2);
        close(main, again);
        DeleteRegTree(reg_, RegRoot::CurrentUser, kSettingsKey);
    }
}

// The run in the real program, watched from this process.
class RunningProgram : public test::WithStandins<MainWindowProcess> {
protected:
    static void KillStandins() {
        const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
            if (_wcsicmp(entry.szExeFile, L"acad.exe") == 0) {
                const HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, entry.th32ProcessID);
                TerminateProcess(process, 1);
                CloseHandle(process);
            }
        }
        CloseHandle(snapshot);
    }
    // The longest the window took to answer a message, sent every 20 ms
    // for that long.
    static ULONGLONG WorstAnswerMs(HWND main, ULONGLONG forMs) {
        ULONGLONG worst = 0;
        for (const ULONGLONG end = GetTickCount64() + forMs; GetTickCount64() < end; Sleep(20)) {
            const ULONGLONG sent = GetTickCount64();
            DWORD_PTR result = 0;
            SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
            worst = std::max(worst, GetTickCount64() - sent);
        }
        return worst;
    }
    // The message box of the program, nullptr when none is up.
    static HWND MessageBoxOf(DWORD pid) {
        for (const auto& w : test::WindowsOf(pid)) {
            wchar_t cls[64] = L"";
            GetClassNameW(w.hwnd, cls, 64);
            if (std::wstring(cls) == L"#32770" && IsWindowVisible(w.hwnd))
                return w.hwnd;
        }
        return nullptr;
    }
};

// Three drawings at once in the window: it says so and keeps answering; Stop
// asks once, and "Yes" ends all three ("Terminated") while the fourth
// drawing never starts.
TEST_F(RunningProgram, StopWithThreeDrawingsAtOnceAsksOnceAndEndsThemAll) {
    const std::string section = std::string(kSettingsKey) + "\\PLANSWEEPER";
    reg_.createKey(RegRoot::CurrentUser, section);
    reg_.setValue(RegRoot::CurrentUser, section, "Parallel", RegSzValue("3"));
    std::vector<std::string> drawings;
    for (const char* name : {"a.dwg", "b.dwg", "c.dwg", "d.dwg"}) {
        drawings.push_back(dir_.write(name, "AC1018" + std::string(3000, name[0])));
        test::WriteFileBytes(drawings.back() + ".standin", "slow-start=60\n");
    }
    HWND main = start(first_, "/nologo \"" + drawings[0] + "\"");
    ASSERT_NE(main, nullptr);
    for (std::size_t i = 1; i < drawings.size(); ++i)
        handOver("\"" + drawings[i] + "\"");
    const HWND lv = list(main);
    ASSERT_TRUE(test::WaitUntil([&] { return test::ListRowCount(lv) == 4; }, 10000));
    PostMessageW(main, WM_COMMAND, 103, 0); // Run
    const HWND statusLine = GetDlgItem(main, 18);
    const auto status = [&] {
        wchar_t text[512] = L"";
        GetWindowTextW(statusLine, text, 512);
        return Narrow(text);
    };
    ASSERT_TRUE(test::WaitUntil([&] { return status().rfind("Now running: 3 of 4: ", 0) == 0; }, 20000))
        << status();
    EXPECT_LT(WorstAnswerMs(main, 2000), 250u);
    EXPECT_EQ(test::ListCell(lv, 0, kColStatus), "Processing\u2026");

    PostMessageW(main, WM_COMMAND, 107, 0); // Stop
    HWND question = nullptr;
    ASSERT_TRUE(test::WaitUntil([&] { return (question = MessageBoxOf(first_.pid())) != nullptr; }, 10000));
    PostMessageW(question, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
    ASSERT_TRUE(test::WaitUntil(
        [&] {
            for (int i = 0; i < 3; ++i)
                if (test::ListCell(lv, i, kColStatus) != "Terminated")
                    return false;
            return true;
        },
        20000));
    EXPECT_EQ(test::ListCell(lv, 3, kColStatus), ""); // never started
    Sleep(500);
    EXPECT_EQ(MessageBoxOf(first_.pid()), nullptr); // asked once
    for (std::size_t i = 0; i < drawings.size(); ++i)
        EXPECT_EQ(test::ReadFileBytes(drawings[i]), "AC1018" + std::string(3000, "abcd"[i]));
    // Closing offers to save the list the run changed: not this time.
    PostMessageW(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(test::WaitUntil([&] { return (question = MessageBoxOf(first_.pid())) != nullptr; }, 10000));
    PostMessageW(question, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), 0);
    EXPECT_TRUE(first_.waitFor(15000));
    DeleteRegTree(reg_, RegRoot::CurrentUser, kSettingsKey);
}

// The program ended in the middle of a drawing: the next start puts back
// what the run had changed and says so. While
// AutoCAD works, the window answers within a quarter of a second (a
// window that waited on AutoCAD would not answer for seconds; a busy test
// machine can hold any process up for a hundred milliseconds).
TEST_F(RunningProgram, EndedDuringADrawingTheNextStartPutsItRight) {
    const std::string original = "AC1018" + std::string(5000, 'q');
    const std::string drawing = dir_.write("slow.dwg", original);
    test::WriteFileBytes(drawing + ".standin", "slow-start=30\n");
    HWND main = start(first_, "/nologo \"" + drawing + "\"");
    ASSERT_NE(main, nullptr);
    PostMessageW(main, WM_COMMAND, 103, 0); // Run
    ASSERT_TRUE(test::WaitUntil(
        [&] { return reg_.keyExists(RegRoot::CurrentUser, kPendingProfileValuesKey); }, 20000));
    const ULONGLONG worst = WorstAnswerMs(main, 3000);
    std::printf("worst answer during the wait: %llu ms\n", worst);
    EXPECT_LT(worst, 250u);

    first_.kill(); // ended in the middle of the drawing, as by a crash or the Task Manager
    KillStandins();
    EXPECT_TRUE(reg_.keyExists(RegRoot::CurrentUser, kPendingProfileValuesKey));

    ASSERT_TRUE(second_.start(exe() + " /nologo"));
    // The message box that says what was put back.
    HWND message = nullptr;
    ASSERT_TRUE(test::WaitUntil(
        [&] {
            for (const auto& w : test::WindowsOf(second_.pid())) {
                wchar_t cls[64] = L"";
                GetClassNameW(w.hwnd, cls, 64);
                if (std::wstring(cls) == L"#32770")
                    message = w.hwnd;
            }
            return message != nullptr;
        },
        20000));
    wchar_t text[1024] = L"";
    GetWindowTextW(GetDlgItem(message, 0xFFFF), text, 1024);
    EXPECT_NE(Narrow(text).find("profile values an earlier run left changed were put back"),
              std::string::npos)
        << Narrow(text);
    EXPECT_TRUE(test::WaitUntil(
        [&] { return !reg_.keyExists(RegRoot::CurrentUser, kPendingProfileValuesKey); }, 5000));
    EXPECT_EQ(test::ReadFileBytes(drawing), original);
}

} // namespace
} // namespace ps
