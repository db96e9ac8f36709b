// The pop-up closer: while AutoCAD works through a drawing unattended it can
// still open windows that wait for an answer. One scan recognises them by
// title and by the AutoCAD window that owns them, answers or closes them,
// logs each one and reports what kind of window it met.
#pragma once

#include "core/ansi_codec.h"
#include "core/file_system.h"
#include "core/system_ports.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ps {

inline constexpr std::string_view kClosedPopUpsLog = "PlansweeperClosedPopUps.log";

// The desktop as one look sees it, for the scans of several drawings in
// progress: the top-level windows and each window's title, owner and
// process are read once, until newLook() or anything done to a window (which
// may open or close others). Reading them costs the system a call each.
class WindowLook final : public WindowScanner {
public:
    explicit WindowLook(WindowScanner& windows) : windows_(windows) {}
    void newLook();

    std::vector<Window> topLevelWindows() override;
    std::string title(Window w) override;
    Window owner(Window w) override;
    std::uint32_t processId(Window w) override;
    Window findButton(Window parent, std::string_view caption) override;
    void click(Window button) override;
    void close(Window w) override;
    bool activate(Window w) override;
    void typeKeys(Window w, std::string_view keys) override;

private:
    struct Seen {
        std::optional<std::string> title;
        std::optional<Window> owner;
        std::optional<std::uint32_t> processId;
    };
    WindowScanner& windows_;
    std::optional<std::vector<Window>> top_;
    std::map<Window, Seen> seen_;
};

// Result codes of one scan; the last one set wins.
enum PopUpCode : std::int16_t {
    kPopUpNone = 0,
    kPopUpRuntimeLibrary = 2, // "Microsoft Visual C++ Runtime Library"
    kPopUpAutoCadError = 3,   // "AutoCAD Error"
    kPopUpErrorReport = 4,    // " AutoCAD Error", "Error Report Cancelled", "... Error Report ..."
    kPopUpAlertAnswered = 5,  // "AutoCAD Alert", answered
    kPopUpLicence = 6,        // the licence or sign-in window: left unanswered
};

// Whether the window is the licensing window AutoCAD shows before it starts
// when it has no licence to run on ("Let's Get Started": sign in, serial
// number or network licence). Nobody is there to answer it.
bool IsLicenceWindowTitle(std::string_view title);

// Whether a window with this title is one the closer looks at.
bool IsPopUpCandidate(std::string_view title);
// The code after meeting this title: rows 2, 3, 4 tested in order, a later
// row overriding an earlier one; the code passed in when none matches.
std::int16_t PopUpCodeForTitle(std::string_view title, std::int16_t code);
// A candidate counts as AutoCAD's when its owner or its owner's owner is
// AutoCAD's window, the owner's owner is Autodesk's, or a code was set.
bool CountsAsAutoCads(std::string_view ownerTitle, std::string_view ownerOwnerTitle, std::int16_t code);

struct PopUpScanContext {
    WindowScanner& windows;
    FileSystem& files;
    const AnsiCodec& codec;
    const Clock& clock;
    std::string logPath; // the temporary folder + the log's name
    // Windows logged already: one wait logs a window once, however many
    // scans it takes to go.
    std::vector<WindowScanner::Window> logged{};
};

// One scan over the desktop's top-level windows. Only windows of the run's
// processes (AutoCAD as started by the run, and what it started) are
// touched; the filter is asked only about windows the closer would answer.
// Returns the result code.
std::int16_t CloseAcadPopUps(PopUpScanContext& context, bool r15OrLater, std::string_view drawingPath,
                             const ProcessFilter& ours);

} // namespace ps
