#include "acad/popup_closer.h"

#include "core/memory_file_system.h"
#include "support/fake_ports.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

namespace ps {
namespace {

using Window = WindowScanner::Window;

// A desktop of windows the closer can scan; every action is recorded.
class FakeDesktop : public WindowScanner {
public:
    struct Win {
        std::string title;
        Window owner = 0;
        std::uint32_t pid = 100;
        Window parent = 0; // for buttons
        bool hung = false;
    };
    Window add(Win w) {
        windows[++next] = w;
        if (w.parent == 0)
            order.push_back(next);
        return next;
    }
    Window button(Window parent, const std::string& caption) { return add({caption, 0, 100, parent}); }

    std::vector<Window> topLevelWindows() override {
        ++lists;
        return order;
    }
    std::string title(Window w) override {
        ++titles;
        return windows.count(w) ? windows[w].title : "";
    }
    Window owner(Window w) override { return windows.count(w) ? windows[w].owner : 0; }
    std::uint32_t processId(Window w) override { return windows.count(w) ? windows[w].pid : 0; }
    Window findButton(Window parent, std::string_view caption) override {
        for (const auto& [id, w] : windows)
            if (w.parent == parent && parent != 0 && w.title == caption)
                return id;
        return 0;
    }
    void click(Window b) override { actions.push_back("click " + windows[b].title); }
    void close(Window w) override { actions.push_back("close " + windows[w].title); }
    bool activate(Window w) override {
        actions.push_back("activate " + windows[w].title);
        return !windows[w].hung;
    }
    void typeKeys(Window w, std::string_view keys) override {
        actions.push_back("keys " + std::string(keys) + " to " + windows[w].title);
    }

    std::map<Window, Win> windows;
    std::vector<Window> order;
    std::vector<std::string> actions;
    Window next = 0;
    int lists = 0;
    int titles = 0;
};

ProcessFilter Among(std::vector<std::uint32_t> pids) {
    return [pids](std::uint32_t pid) {
        return std::find(pids.begin(), pids.end(), pid) != pids.end();
    };
}

class Closer : public testing::Test {
protected:
    std::int16_t scan(bool r15 = true, std::vector<std::uint32_t> pids = {100}) {
        return CloseAcadPopUps(context, r15, "C:\\D\\a.dwg", Among(pids));
    }
    std::string log() {
        const auto* e = files.find("C:\\Temp\\PlansweeperClosedPopUps.log");
        return e ? e->content : "";
    }
    Window acad() { return desktop.add({"AutoCAD 2010 - [a.dwg]"}); }

    FakeDesktop desktop;
    MemoryFileSystem files;
    Latin1Codec codec;
    test::ManualClock clock;
    PopUpScanContext context{desktop, files, codec, clock, "C:\\Temp\\PlansweeperClosedPopUps.log"};
};

TEST(PopUpTitles, CandidateTableRowByRow) {
    for (const char* title : {"Specify Font for Style Standard",
                              "Select Shape File",
                              "Microsoft Visual C++ Runtime Library",
                              "AutoCAD Message",
                              "AUTOCAD ALERT",
                              "autocad alert!",
                              "AutoCAD Error",
                              "AutoCAD 2010 - [a.dwg]",
                              " AutoCAD Error",
                              "Error Report Cancelled",
                              "Send Error Report",
                              "Proxy Information",
                              "Digital Signature Contents",
                              "Previous Version DWG Detected",
                              "x Open - Foreign DWG File",
                              "Hide Command Line Window",
                              "Customer Involvement Program",
                              "MagiCAD Ventilation",
                              "No current project",
                              "Project Path Selection",
                              "Lost Set Association",
                              "AutoCAD",
                              "acad.exe - Application Error"}) {
        EXPECT_TRUE(IsPopUpCandidate(title)) << title;
    }
    for (const char* title :
         {"", "Untitled - Notepad", "autocad message", "proxy information", "Previous Version",
          "Version Detected", " AutoCAD", "Autodesk Map", "Error report"}) {
        EXPECT_FALSE(IsPopUpCandidate(title)) << title;
    }
}

TEST(PopUpTitles, CodePrecedenceLaterRowsOverride) {
    EXPECT_EQ(PopUpCodeForTitle("Microsoft Visual C++ Runtime Library", 0), 2);
    EXPECT_EQ(PopUpCodeForTitle("AutoCAD Error", 0), 3);
    EXPECT_EQ(PopUpCodeForTitle("AutoCAD Error Report", 0), 4); // row 4 overrides row 3
    EXPECT_EQ(PopUpCodeForTitle(" AutoCAD Error", 0), 4);
    EXPECT_EQ(PopUpCodeForTitle("Error Report Cancelled", 2), 4);
    EXPECT_EQ(PopUpCodeForTitle("Proxy Information", 3), 3); // no row: the code stays
    EXPECT_EQ(PopUpCodeForTitle("Proxy Information", 0), 0);
}

TEST(PopUpTitles, AutoCadWindowTest) {
    EXPECT_TRUE(CountsAsAutoCads("AutoCAD 2010 - [a.dwg]", "", 0));
    EXPECT_TRUE(CountsAsAutoCads("Drawing Properties", "autocad LT", 0));
    EXPECT_TRUE(CountsAsAutoCads("", "AUTODESK Architectural Desktop", 0));
    EXPECT_TRUE(CountsAsAutoCads("", "", 3));
    EXPECT_FALSE(CountsAsAutoCads("Explorer", "Autodes", 0));
    EXPECT_FALSE(CountsAsAutoCads("", "", 0));
}

TEST_F(Closer, AlertPrefersJaThenYesThenContinue) {
    const Window a = acad();
    const Window alert = desktop.add({"AutoCAD Alert", a});
    desktop.button(alert, "&Yes");
    desktop.button(alert, "&Ja");
    EXPECT_EQ(scan(), 5);
    EXPECT_EQ(desktop.actions, std::vector<std::string>{"click &Ja"});

    desktop = FakeDesktop();
    const Window b = acad();
    const Window cont = desktop.add({"AutoCAD Alert", b});
    desktop.button(cont, "C&ontinue");
    EXPECT_EQ(scan(), 5);
    EXPECT_EQ(desktop.actions, std::vector<std::string>{"click C&ontinue"});

    desktop = FakeDesktop();
    desktop.add({"AutoCAD Alert", acad()}); // no buttons at all: still answered
    EXPECT_EQ(scan(), 5);
    EXPECT_TRUE(desktop.actions.empty());
}

TEST_F(Closer, ErrorWindowIsLoggedClosedAndGivesThree) {
    const Window err = desktop.add({"AutoCAD Error", acad()});
    desktop.button(err, "&No");
    EXPECT_EQ(scan(), 3);
    EXPECT_EQ(desktop.actions, (std::vector<std::string>{"close AutoCAD Error", "click &No"}));
    EXPECT_EQ(log(), "07.12.2026 05:40:00;C:\\D\\a.dwg;AutoCAD Error\r\n");
    scan(); // a window that stays is logged once per wait
    EXPECT_EQ(log(), "07.12.2026 05:40:00;C:\\D\\a.dwg;AutoCAD Error\r\n");
}

// The licensing window is left as it is, even beside a window the closer
// would answer: nothing is to be typed into it. Another program's is not ours.
TEST_F(Closer, TheLicenceWindowIsReportedAndLeftUnanswered) {
    desktop.add({"Let's Get Started", 0, 200});
    EXPECT_EQ(scan(), 0);
    desktop.add({"AutoCAD Error", acad()});
    const Window licence = desktop.add({"Let's Get Started"});
    desktop.button(licence, "&No");
    EXPECT_EQ(scan(), kPopUpLicence);
    EXPECT_TRUE(desktop.actions.empty());
    EXPECT_EQ(log(), "07.12.2026 05:40:00;C:\\D\\a.dwg;Let's Get Started\r\n");
}

// The closers of several drawings in progress share one look at the
// desktop; a window acted on makes the next scan look again.
TEST_F(Closer, TheScansOfOneLookReadTheDesktopOnceUntilAWindowIsActedOn) {
    WindowLook look(desktop);
    PopUpScanContext first{look, files, codec, clock, "C:\\Temp\\PlansweeperClosedPopUps.log"};
    PopUpScanContext second{look, files, codec, clock, "C:\\Temp\\PlansweeperClosedPopUps.log"};
    acad();
    desktop.add({"AutoCAD 2026 - [b.dwg]", 0, 200});
    EXPECT_EQ(CloseAcadPopUps(first, true, "C:\\D\\a.dwg", Among({100})), 0);
    EXPECT_EQ(CloseAcadPopUps(second, true, "C:\\D\\b.dwg", Among({200})), 0);
    EXPECT_EQ(desktop.lists, 1);
    EXPECT_EQ(desktop.titles, 2);

    const Window err = desktop.add({"AutoCAD Error", 1, 100});
    desktop.button(err, "&No");
    look.newLook();
    EXPECT_EQ(CloseAcadPopUps(first, true, "C:\\D\\a.dwg", Among({100})), 3);
    // Closed: the other drawing's AutoCAD has meanwhile shown one too.
    desktop.button(desktop.add({"AutoCAD Error", 2, 200}), "&No");
    EXPECT_EQ(CloseAcadPopUps(second, true, "C:\\D\\b.dwg", Among({200})), 3);
}

TEST_F(Closer, ProjectPathSelectionAndWindowsWithoutNo) {
    const Window a = acad();
    const Window project = desktop.add({"Project Path Selection", a});
    desktop.button(project, "Cancel");
    EXPECT_EQ(scan(), 0);
    EXPECT_EQ(desktop.actions,
              (std::vector<std::string>{"click Cancel", "close Project Path Selection",
                                        "activate AutoCAD 2010 - [a.dwg]",
                                        "keys {ESC} to AutoCAD 2010 - [a.dwg]", "click Cancel"}));
}

TEST_F(Closer, KeysGoToAutoCadByHandleAndOnlyWhenItCanBeActivated) {
    const Window a = desktop.add({"AutoCAD LT 2008 - [a.dwg]", 0, 100, 0, true}); // not answering
    desktop.add({"Proxy Information", a});
    scan(false);
    EXPECT_EQ(desktop.actions,
              (std::vector<std::string>{"close Proxy Information", "activate AutoCAD LT 2008 - [a.dwg]",
                                        "activate AutoCAD LT 2008 - [a.dwg]"})); // no keys typed anywhere
}

TEST_F(Closer, ResumeFollowsEveryHandledWindowBeforeRelease2000) {
    const Window a = acad();
    const Window owned = desktop.add({"Drawing Properties", a}); // owner of owner is AutoCAD's
    desktop.add({"Digital Signature Contents", owned});
    const Window alert = desktop.add({"AutoCAD Alert", a});
    desktop.button(alert, "&Yes");
    EXPECT_EQ(scan(false), 5);
    EXPECT_EQ(
        std::count(desktop.actions.begin(), desktop.actions.end(), "keys RESUME  to AutoCAD 2010 - [a.dwg]"),
        2);
    desktop.actions.clear();
    scan(true);
    EXPECT_EQ(
        std::count(desktop.actions.begin(), desktop.actions.end(), "keys RESUME  to AutoCAD 2010 - [a.dwg]"),
        0);
}

TEST_F(Closer, WindowsThatAreNotAutoCadsAreLeftAlone) {
    desktop.add({"Untitled - Notepad", acad()}); // no candidate title
    const Window viewer = desktop.add({"Viewer"});
    desktop.add({"Proxy Information", viewer}); // owners fail the test
    const Window other = desktop.add({"AutoCAD 2010 - [mine.dwg]", 0, 200});
    const Window foreign = desktop.add({"AutoCAD Alert", other, 200}); // the user's own AutoCAD
    desktop.button(foreign, "&Yes");
    EXPECT_EQ(scan(), 0);
    EXPECT_TRUE(desktop.actions.empty());
    EXPECT_EQ(log(), "");
}

TEST_F(Closer, LandDesktopQuestionGetsNo) {
    const Window land = desktop.add({"Autodesk Land Desktop 2009"});
    const Window question = desktop.add({"AutoCAD", land});
    desktop.button(question, "&Nej");
    desktop.button(question, "&No");
    scan();
    EXPECT_EQ(desktop.actions, std::vector<std::string>{"click &Nej"});
    EXPECT_EQ(log(), "07.12.2026 05:40:00;C:\\D\\a.dwg;AutoCAD\r\n");
}

} // namespace
} // namespace ps
