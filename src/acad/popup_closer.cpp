#include "acad/popup_closer.h"

#include "acad/host.h"
#include "core/strings.h"

#include <algorithm>
#include <initializer_list>

namespace ps {

void WindowLook::newLook() {
    top_.reset();
    seen_.clear();
}

std::vector<WindowScanner::Window> WindowLook::topLevelWindows() {
    if (!top_)
        top_ = windows_.topLevelWindows();
    return *top_;
}

std::string WindowLook::title(Window w) {
    auto& seen = seen_[w];
    if (!seen.title)
        seen.title = windows_.title(w);
    return *seen.title;
}

WindowScanner::Window WindowLook::owner(Window w) {
    auto& seen = seen_[w];
    if (!seen.owner)
        seen.owner = windows_.owner(w);
    return *seen.owner;
}

std::uint32_t WindowLook::processId(Window w) {
    auto& seen = seen_[w];
    if (!seen.processId)
        seen.processId = windows_.processId(w);
    return *seen.processId;
}

WindowScanner::Window WindowLook::findButton(Window parent, std::string_view caption) {
    return windows_.findButton(parent, caption);
}

void WindowLook::click(Window button) {
    windows_.click(button);
    newLook();
}

void WindowLook::close(Window w) {
    windows_.close(w);
    newLook();
}

bool WindowLook::activate(Window w) {
    const bool active = windows_.activate(w);
    newLook();
    return active;
}

void WindowLook::typeKeys(Window w, std::string_view keys) {
    windows_.typeKeys(w, keys);
    newLook();
}

namespace {

bool UpperStarts(std::string_view title, std::string_view upperPrefix) {
    return ToUpper(Left(title, upperPrefix.size())) == upperPrefix;
}

using Window = WindowScanner::Window;

} // namespace

bool IsLicenceWindowTitle(std::string_view t) {
    return t == "Let's Get Started";
}

bool IsPopUpCandidate(std::string_view t) {
    return StartsWith(t, "Specify Font for Style") || StartsWith(t, "Select Shape File") ||
           StartsWith(t, "Microsoft Visual C++ Runtime Library") || StartsWith(t, "AutoCAD Message") ||
           UpperStarts(t, "AUTOCAD ALERT") || StartsWith(t, "AutoCAD Error") || StartsWith(t, "AutoCAD") ||
           StartsWith(t, " AutoCAD Error") || StartsWith(t, "Error Report Cancelled") ||
           Contains(t, "Error Report") || StartsWith(t, "Proxy Information") ||
           StartsWith(t, "Digital Signature Contents") ||
           (StartsWith(t, "Previous Version ") && Contains(t, "Detected")) ||
           Contains(t, "Open - Foreign DWG File") || StartsWith(t, "Hide Command Line Window") ||
           StartsWith(t, "Customer Involvement Program") || UpperStarts(t, "MAGICAD") ||
           UpperStarts(t, "NO CURRENT PROJECT") || UpperStarts(t, "PROJECT PATH SELECTION") ||
           UpperStarts(t, "LOST SET ASSOCIATION") || t == "AutoCAD" || UpperStarts(t, "ACAD.EXE");
}

std::int16_t PopUpCodeForTitle(std::string_view t, std::int16_t code) {
    if (StartsWith(t, "Microsoft Visual C++ Runtime Library"))
        code = kPopUpRuntimeLibrary;
    if (StartsWith(t, "AutoCAD Error"))
        code = kPopUpAutoCadError;
    if (StartsWith(t, " AutoCAD Error") || StartsWith(t, "Error Report Cancelled") ||
        Contains(t, "Error Report"))
        code = kPopUpErrorReport;
    return code;
}

bool CountsAsAutoCads(std::string_view ownerTitle, std::string_view ownerOwnerTitle, std::int16_t code) {
    return IsAutoCadWindowTitle(ownerTitle) || IsAutoCadWindowTitle(ownerOwnerTitle) || code > 0 ||
           UpperStarts(ownerOwnerTitle, "AUTODESK");
}

namespace {

// Clicks the first of the buttons the pop-up has; false when it has none of them.
bool ClickFirst(WindowScanner& win, Window w, std::initializer_list<const char*> captions) {
    for (const char* caption : captions)
        if (const Window button = win.findButton(w, caption); button != 0) {
            win.click(button);
            return true;
        }
    return false;
}

// Any pop-up but an "AutoCAD Alert" is closed, answered No, or else
// cancelled with Escape in AutoCAD's own window.
void DismissPopUp(WindowScanner& win, Window w, const std::string& title, Window acad) {
    if (title == "Project Path Selection")
        ClickFirst(win, w, {"Cancel"});
    win.close(w);
    if (ClickFirst(win, w, {"&No"}))
        return;
    if (acad != 0 && win.activate(acad))
        win.typeKeys(acad, "{ESC}");
    ClickFirst(win, w, {"Cancel"});
}

} // namespace

std::int16_t CloseAcadPopUps(PopUpScanContext& c, bool r15OrLater, std::string_view drawingPath,
                             const ProcessFilter& ours) {
    WindowScanner& win = c.windows;
    std::int16_t code = kPopUpNone;
    const auto log = [&](Window w, const std::string& title) {
        if (std::find(c.logged.begin(), c.logged.end(), w) != c.logged.end())
            return;
        c.logged.push_back(w);
        const std::string line = c.clock.nowText() + ";" + std::string(drawingPath) + ";" + title + "\r\n";
        c.files.appendFile(c.logPath, c.codec.toAnsiLossy(line));
    };
    // AutoCAD waits for its licence: nothing is answered, whatever else is
    // open (the drawings after it would meet the window again).
    for (const Window w : win.topLevelWindows())
        if (const std::string title = win.title(w); IsLicenceWindowTitle(title) && ours(win.processId(w))) {
            log(w, title);
            return kPopUpLicence;
        }
    for (const Window w : win.topLevelWindows()) {
        const std::string title = win.title(w);
        if (title.empty() || !IsPopUpCandidate(title))
            continue;
        // Never another program's window, nor the user's own AutoCAD session.
        if (!ours(win.processId(w)))
            continue;
        const Window o = win.owner(w);
        const Window o2 = o != 0 ? win.owner(o) : 0;
        const std::string ownerTitle = o != 0 ? win.title(o) : std::string();
        const std::string ownerOwnerTitle = o2 != 0 ? win.title(o2) : std::string();
        code = PopUpCodeForTitle(title, code);
        // AutoCAD's own window, addressed by its handle.
        const Window acad = IsAutoCadWindowTitle(ownerTitle) ? o : o2;

        if (CountsAsAutoCads(ownerTitle, ownerOwnerTitle, code)) {
            log(w, title);
            if (StartsWith(title, "AutoCAD Alert")) {
                // Answered Yes ("Ja" in German), or Continue.
                code = kPopUpAlertAnswered;
                ClickFirst(win, w, {"&Ja", "&Yes", "C&ontinue"});
            } else {
                DismissPopUp(win, w, title, acad);
            }
            // Releases before 2000 need a nudge to go on with the script.
            if (!r15OrLater && acad != 0 && win.activate(acad))
                win.typeKeys(acad, "RESUME ");
        }
        if (ToUpper(title) == "AUTOCAD" &&
            (StartsWith(ownerTitle, "Autodesk Land Desktop") || StartsWith(ownerTitle, "Autodesk Map"))) {
            ClickFirst(win, w, {"&Nej", "&No"}); // the land and map verticals' question
            log(w, title);
        }
    }
    return code;
}

} // namespace ps
