// The stand-in AutoCAD: a small Win32 program that behaves like AutoCAD in
// batch mode, for tests and demonstrations only. It opens the drawing named
// on its command line, shows a main window titled like AutoCAD's, holds a
// ".dwl" lock file while the drawing is open, reads the script as keyboard
// input, saves where the script says and quits. What it did goes to a journal
// beside the drawing (<drawing>.journal); faults to stage come from a side
// file beside the drawing (<drawing>.standin), one directive per line:
//
//   hang                         never ends (ignores close requests)
//   crash                        dies right after opening the drawing
//   crash-during-save            dies in the middle of writing a save
//   hang-in-save                 stops answering for good in the middle of writing a save
//   slow-start=<s>               waits before opening
//   slow-save=<s>                a save takes this long
//   exit-code=<n>                ends with this exit code
//   no-save                      accepts save-as but writes nothing
//   save-in-place                writes a save straight over the file (a full disk leaves it
//                                cut short) instead of beside it and renaming it over the file
//   grow=<KB>                    a save adds this much to the drawing, as a conversion may
//   proxy-objects[=<n>]          shows "Proxy Information" when ShowProxyDialog is 1;
//                                the drawing holds n (1) proxy objects
//   unused=<kind>:<n>            n named objects of a kind nothing uses, which
//                                purging that kind removes (blocks, layers,
//                                linetypes, text_styles, dimension_styles, regapps)
//   xref-missing=<name>          an xref AutoCAD cannot find (also font-missing,
//                                image-missing); the companion's record names it
//   popup=<title>|<b1>,<b2>      a dialog owned by the main window (closes on WM_CLOSE)
//   sticky-popup=<title>|<b1>    the same, but only a button ends it
//   unowned-popup=<title>|<b1>   a dialog with no owner
//   hung-ui=<title>|<b1>         shows the dialog, then stops answering messages
//   helper-popup=<title>|<b1>    a program the stand-in starts (itself, with /helper-popup) shows
//                                the dialog with no owner; the stand-in waits until it has ended
//   modified                     the drawing counts as changed from the start
//   needs-recovery               the drawing needs recovering: unless RECOVERAUTO is 2 or 3, a
//                                notice that only its button ends (the stand-in's own title)
//   foreign-dwg                  last saved by another program: a question unless DWGCHECK is 0,
//                                2 or 4
//   xref=<path>                  an xref that resolves: opened as a copy when XLOADCTL is 2, else
//                                held open and locked while the drawing is
//   (font-missing: the Alternate Font dialog unless FONTALT names a font; xref-missing: a
//   notification unless XREFNOTIFY is 0.) The profile's variables are read as AutoCAD
//   reads them at its start, from ...\Profiles\<profile>\Variables.
//   licence-prompt               before the drawing opens, the licensing window
//                                ("Let's Get Started"), which only its own choices end
//
// Built a second time as accoreconsole.exe, it behaves like AutoCAD's
// console engine: a console program without any window, started as
//   accoreconsole.exe /i "drawing" /s "script.scr" [/l <language>] [/p "profile"]
// (also /product, /isolate, /readonly, /loadmodule). It journals a "console:"
// line for its drawing; dialogs cannot come up, so the pop-up directives are
// journalled as not shown; at the end of a script without quit it waits at
// the command prompt for input nobody gives.
#include "registration.h"
#include "standin_io.h"
#include "sample_drawings.h"
#include "session.h"

#include "acad/products.h"
#include "acad/profile_values.h"
#include "acad/releases.h"
#include "core/file_facts.h"
#include "acad/registry_helpers.h"
#include "core/strings.h"
#include "platform/handles.h"
#include "platform/text.h"
#include "platform/win_registry.h"
#include "script/purge_script.h"

#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <map>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#ifndef PS_STANDIN_CONSOLE
#define PS_STANDIN_CONSOLE 0
#endif

namespace {

// The console engine: no window, no dialogs.
constexpr bool kConsole = PS_STANDIN_CONSOLE != 0;

using ps::Narrow;
using ps::Widen;

using standin::Directives;
using standin::FileExists;
using standin::FileName;
using standin::Popup;
using standin::ReadDirectives;
using standin::ReadFileBytes;
using standin::WithoutExtension;
using standin::WriteFileBytes;

class StandIn;
StandIn* g_app = nullptr;

constexpr wchar_t kMainClass[] = L"PsStandinMain";
constexpr wchar_t kDialogClass[] = L"PsStandinDialog";
constexpr UINT kEndDialog = WM_APP + 1;
// The warning AutoCAD shows before loading code from a folder it does not trust.
constexpr const char* kSecurityConcernTitle = "Security Concern: Untrusted Executable";

class StandIn final : public standin::SessionHost {
public:
    StandIn(std::string drawing, std::string script, std::string profile = {}, std::string language = {})
        : drawing_(std::move(drawing)), script_(std::move(script)), profile_(std::move(profile)),
          language_(std::move(language)) {
        journalPath_ = drawing_ + ".journal";
        lockPath_ = WithoutExtension(drawing_) + ".dwl";
    }

    int run();
#if !PS_STANDIN_CONSOLE
    // As the program started for a helper-popup directive: the dialog, then the end.
    int runHelper(const Popup& popup);
#endif

    // SessionHost
    void journal(const std::string& line) override {
        const std::string text = line + "\r\n";
        for (const std::string* path : {&journalPath_, &logPath_}) {
            if (path->empty())
                continue;
            ps::UniqueFile file(CreateFileW(Widen(*path).c_str(), FILE_APPEND_DATA,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0,
                                            nullptr));
            if (!file)
                continue;
            DWORD wrote = 0;
            WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &wrote, nullptr);
        }
        // The console engine says it all on its output as well.
        if (kConsole) {
            DWORD wrote = 0;
            WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &wrote,
                      nullptr);
        }
    }
    bool fileExists(const std::string& path) override {
        return FileExists(path);
    }
    std::optional<std::string> readTextFile(const std::string& path) override {
        auto bytes = ReadFileBytes(path);
        if (!bytes)
            return std::nullopt;
        return ps::FromAnsi(*bytes);
    }
    bool saveDrawing(const std::string& versionCode, const std::string& path) override;
    bool writeTextFile(const std::string& path, const std::string& text) override {
        const auto ansi = ps::ToAnsi(text);
        return ansi && WriteFileBytes(path, *ansi);
    }
    bool mayLoad(const std::string& path) override;
    std::string SavedBytes(const std::string& versionCode) const;
    bool WriteBesideAndRename(const std::string& path, const std::string& bytes);
    bool WriteInPlace(const std::string& path, const std::string& bytes);

    LRESULT mainProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT dialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

private:
    void identify();
    void readProfile();
    void createLock(const std::string& lock);
    void askWhatOpeningAsks();
    void registerClasses();
    void showPopup(const Popup& popup);
    void startHelper(const Popup& popup);
    void pumpFor(int milliseconds);
    bool pump(); // false when the main window is gone
    void quit(int code);

    std::string drawing_, script_, profile_, language_, journalPath_, lockPath_;
    // The command history log (LOGFILEMODE 1): every journal line from the start.
    std::string logPath_;
    std::string productName_ = "AutoCAD";
    bool autoLisp_ = true;
    std::string nativeCode_;
    std::string title_;
    ps::WinRegistry registry_;
    std::int32_t isaveBackupDwg_ = 1;
    std::int32_t showProxyDialog_ = 1;
    // Secure load, for releases from 2013 on: -1 when the product has none.
    std::int32_t secureLoad_ = -1;
    std::string trustedPaths_;
    std::string productFolder_;
    // The profile's variables that decide what opening a drawing asks; absent: "".
    std::map<std::string, std::string> opening_;
    std::vector<HANDLE> heldXrefs_;
    std::string drawingBytes_;
    Directives directives_;
    std::unique_ptr<standin::Session> session_;
    HWND main_ = nullptr;
    std::string typing_;
};

void StandIn::identify() {
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::string folder = Narrow(exe);
    folder = folder.substr(0, folder.find_last_of('\\'));
    if (const auto id = standin::IdentifyByFolder(registry_, folder)) {
        productName_ = id->name.empty() ? "AutoCAD" : id->name;
        autoLisp_ = ps::ProductRunsCompanion(id->type, id->release);
        if (const auto native = ps::NativeSaveFormat(id->release))
            nativeCode_ = std::string(ps::VersionCode(*native));
        journal("product: " + id->name + " (" + id->type + " " + id->release + " " + id->productKey + ")");
        // The profile this product loads: the one the command line names
        // when the product has it, else its current one.
        const std::string profiles = ps::ProfilesKeyPath(id->type, id->release, id->productKey);
        std::string profile = profile_;
        if (profile.empty() || !registry_.keyExists(ps::RegRoot::CurrentUser, profiles + profile))
            profile = ps::RegText(ps::ReadRegValue(registry_, ps::RegRoot::CurrentUser, profiles, ""));
        const auto show = ps::ReadRegValue(registry_, ps::RegRoot::CurrentUser,
                                           profiles + profile + "\\General", "ShowProxyDialog");
        const auto backup =
            ps::ReadRegValue(registry_, ps::RegRoot::CurrentUser,
                             profiles + profile + "\\General Configuration", "IsaveBackupDwg");
        const auto dialog = ps::ReadRegValue(registry_, ps::RegRoot::CurrentUser,
                                             ps::ProductKeyPath(id->type, id->release, id->productKey) +
                                                 "\\FixedProfile\\General Configuration",
                                             "FileDialog");
        std::string silent;
        for (const auto& v : ps::kSilentVariables) {
            opening_[std::string(v.name)] = ps::RegText(ps::ReadRegValue(
                registry_, ps::RegRoot::CurrentUser, profiles + profile + "\\Variables", v.name));
            silent += " " + std::string(v.name) + "=" + opening_[std::string(v.name)];
        }
        journal("variables:" + silent);
        if (opening_["LOGFILEMODE"] == "1" && !opening_["LOGFILEPATH"].empty()) {
            char unique[16];
            std::snprintf(unique, sizeof unique, "_%lx", GetCurrentProcessId());
            logPath_ =
                opening_["LOGFILEPATH"] + "\\" + WithoutExtension(FileName(drawing_)) + unique + ".log";
            journal("log: " + logPath_);
        }
        journal("profile " + profile + ": ShowProxyDialog=" + ps::RegText(show) +
                " IsaveBackupDwg=" + ps::RegText(backup) + " FileDialog=" + ps::RegText(dialog));
        if (const auto family = ps::ProductFamily(id->release); family && *family >= ps::ReleaseFamily::R19) {
            const std::string variables = profiles + profile + "\\Variables";
            const auto secure =
                ps::ReadRegValue(registry_, ps::RegRoot::CurrentUser, variables, "SECURELOAD");
            const auto* level = std::get_if<std::int32_t>(&secure);
            secureLoad_ = level != nullptr ? *level : 1;
            trustedPaths_ =
                ps::RegText(ps::ReadRegValue(registry_, ps::RegRoot::CurrentUser, variables, "TRUSTEDPATHS"));
            // From 2026 on, a profile that takes its support files from a
            // project loads code from trusted folders only and ignores its
            // own list (the project's, which the stand-in has none of).
            const auto projectAware =
                ps::ReadRegValue(registry_, ps::RegRoot::CurrentUser, variables, "PROJECTAWARE");
            if (const auto* n = std::get_if<std::int32_t>(&projectAware);
                n != nullptr && *n == 1 && ps::ReleaseLocksTrustForProjects(id->release)) {
                secureLoad_ = 2;
                trustedPaths_.clear();
                journal("project aware: trusted paths locked");
            }
            productFolder_ = id->folder;
            journal("secure load " + std::to_string(secureLoad_) + ", trusted paths: " + trustedPaths_);
        }
        if (const auto* n = std::get_if<std::int32_t>(&show))
            showProxyDialog_ = *n;
        if (const auto* n = std::get_if<std::int32_t>(&backup))
            isaveBackupDwg_ = *n;
    } else {
        journal("product: none registered for " + folder);
    }
}

// AutoCAD loads code from its own folder, the Program Files folders and the
// trusted paths (unless a 2026 project-aware profile locks them); elsewhere
// it asks first (SECURELOAD 1) or refuses (2).
bool StandIn::mayLoad(const std::string& path) {
    if (secureLoad_ <= 0)
        return true;
    const std::string folder = ps::FileFolder(path);
    if (ps::TrustsFolder(productFolder_ + "\\...", folder) || ps::TrustsFolder(trustedPaths_, folder) ||
        ps::AlwaysTrustedFolder(folder))
        return true;
    if (secureLoad_ >= 2) {
        journal("load refused, folder not trusted: " + path);
        return false;
    }
    // Whatever ends the question, the stand-in takes it for "do not load".
    showPopup(Popup{kSecurityConcernTitle, {"Load Once", "Do Not Load"}});
    journal("load not confirmed, folder not trusted: " + path);
    return false;
}

// What opening the drawing asks or announces, by the profile's variables
// (their initial values when absent).
void StandIn::askWhatOpeningAsks() {
    const auto number = [this](const char* name, int initial) {
        const std::string& text = opening_[name];
        return text.empty() ? initial : std::atoi(text.c_str());
    };
    if (directives_.needsRecovery) {
        if (number("RECOVERAUTO", 0) < 2)
            showPopup(Popup{"Recover Drawing (stand-in)", {"Recover"}, true});
        else
            journal("recovered without notice");
    }
    if (directives_.foreignDwg && number("DWGCHECK", 1) % 2 == 1)
        showPopup(Popup{"Open - Foreign DWG File", {"Continue"}});
    if (!directives_.contents.missingFonts.empty() && opening_["FONTALT"].empty())
        showPopup(Popup{"Alternate Font", {"OK"}, true});
    if (!directives_.contents.missingXrefs.empty() && number("XREFNOTIFY", 2) != 0)
        journal("xref notification: missing " + directives_.contents.missingXrefs.front());
    for (const auto& xref : directives_.xrefs) {
        if (number("XLOADCTL", 2) == 2) {
            journal("xref " + xref + ": opened as a copy");
            continue;
        }
        const HANDLE held = CreateFileW(Widen(xref).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, 0, nullptr);
        if (held != INVALID_HANDLE_VALUE)
            heldXrefs_.push_back(held);
        journal("xref " + xref + ": opened and locked");
    }
}

void StandIn::createLock(const std::string& lock) {
    WriteFileBytes(lock, "stand-in AutoCAD, process " + std::to_string(GetCurrentProcessId()) + "\r\n");
}

bool StandIn::pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT)
            return false;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return kConsole || IsWindow(main_) != FALSE;
}

void StandIn::pumpFor(int milliseconds) {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(milliseconds);
    while (GetTickCount64() < end) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        pump();
    }
}

bool StandIn::saveDrawing(const std::string& versionCode, const std::string& path) {
    if (directives_.noSave) {
        journal("save skipped: " + path);
        return false;
    }
    if (directives_.slowSave > 0)
        pumpFor(directives_.slowSave * 1000);
    const std::string bytes = SavedBytes(versionCode);
    if (directives_.crashDuringSave) {
        journal("crashing in the middle of saving " + path);
        WriteFileBytes(path, std::string_view(bytes).substr(0, bytes.size() / 2));
        TerminateProcess(GetCurrentProcess(), 0xC0000005);
    }
    if (directives_.hangInSave) {
        journal("hanging in the middle of saving " + path);
        WriteFileBytes(path, std::string_view(bytes).substr(0, bytes.size() / 2));
        directives_.hang = true;
        MSG msg;
        for (;;) {
            if (GetMessageW(&msg, nullptr, 0, 0) <= 0)
                Sleep(INFINITE);
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    if (!(directives_.saveInPlace ? WriteInPlace(path, bytes) : WriteBesideAndRename(path, bytes)))
        return false;
    drawingBytes_ = bytes;
    journal("saved " + path + " " + versionCode + " (" + std::to_string(bytes.size()) + " bytes)");
    // The lock follows the open drawing.
    const std::string lock = WithoutExtension(path) + ".dwl";
    if (!ps::EqualsNoCase(lock, lockPath_)) {
        DeleteFileW(Widen(lockPath_).c_str());
        lockPath_ = lock;
        createLock(lockPath_);
    }
    const std::wstring title = Widen(productName_ + " - [" + FileName(path) + "]");
    SetWindowTextW(main_, title.c_str());
    return true;
}

std::string StandIn::SavedBytes(const std::string& versionCode) const {
    // The saved file carries the format's version code, a stamp that
    // differs on every save, as a real save's bytes do, and a header that
    // declares where the file ends.
    const std::string content = samples::UnframedDwg(drawingBytes_);
    std::string body = content.size() > 6 ? content.substr(6) : std::string();
    const auto old = body.rfind("\r\nPSSTANDIN-SAVE:");
    if (old != std::string::npos)
        body.resize(old);
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const std::string stamp = "\r\nPSSTANDIN-SAVE:" + std::to_string(now.dwLowDateTime) + "-" +
                              std::to_string(counter.QuadPart) + "-" + std::to_string(GetCurrentProcessId()) +
                              "\r\n";
    const std::string grown(static_cast<std::size_t>(std::max(directives_.growKB, 0)) * 1024, 'G');
    return samples::FrameDwg(versionCode + body + stamp + grown);
}

// The system's words for the last error, for the command line.
std::string LastErrorText() {
    const DWORD error = GetLastError();
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::string out = text != nullptr ? Narrow(text) : "error " + std::to_string(error);
    LocalFree(text);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' '))
        out.pop_back();
    return out;
}

// As AutoCAD saves: the new file is written beside the drawing and only a
// whole one takes the drawing's place (the old one becoming the ".bak").
// A write that fails leaves the drawing as it was.
bool StandIn::WriteBesideAndRename(const std::string& path, const std::string& bytes) {
    const std::string temp = WithoutExtension(path) + ".ac$";
    if (!WriteFileBytes(temp, bytes)) {
        journal("save failed: " + path + ": " + LastErrorText());
        DeleteFileW(Widen(temp).c_str());
        return false;
    }
    if (isaveBackupDwg_ == 1 && FileExists(path)) {
        const std::string bak = WithoutExtension(path) + ".bak";
        if (MoveFileExW(Widen(path).c_str(), Widen(bak).c_str(), MOVEFILE_REPLACE_EXISTING))
            journal("backup " + bak);
    }
    if (!MoveFileExW(Widen(temp).c_str(), Widen(path).c_str(), MOVEFILE_REPLACE_EXISTING)) {
        journal("save failed: " + path + ": " + LastErrorText());
        DeleteFileW(Widen(temp).c_str());
        return false;
    }
    return true;
}

// The older way, kept to stage a drawing damaged where it lies: the backup
// copied, then the drawing rewritten in place.
bool StandIn::WriteInPlace(const std::string& path, const std::string& bytes) {
    if (isaveBackupDwg_ == 1 && FileExists(path)) {
        const std::string bak = WithoutExtension(path) + ".bak";
        if (CopyFileW(Widen(path).c_str(), Widen(bak).c_str(), FALSE))
            journal("backup " + bak);
    }
    if (!WriteFileBytes(path, bytes)) {
        journal("save failed: " + path + ": " + LastErrorText());
        return false;
    }
    return true;
}

void StandIn::startHelper(const Popup& popup) {
    if (kConsole) {
        journal("dialog " + popup.title + ": not shown, no window in the console");
        return;
    }
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::string buttons;
    for (const auto& b : popup.buttons)
        buttons += (buttons.empty() ? "" : ",") + b;
    std::wstring line = L"\"" + std::wstring(self) + L"\" /helper-popup \"" + Widen(drawing_) + L"\" \"" +
                        Widen(popup.title + "|" + buttons) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        journal("helper for dialog " + popup.title + ": could not be started");
        return;
    }
    ps::UniqueHandleKernel process(pi.hProcess);
    ps::UniqueHandleKernel thread(pi.hThread);
    journal("helper for dialog " + popup.title + ": started, process " + std::to_string(pi.dwProcessId));
    // Busy until the helper has gone, the window answering meanwhile.
    const HANDLE wait = process.get();
    while (MsgWaitForMultipleObjects(1, &wait, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0)
        pump();
    journal("helper for dialog " + popup.title + ": ended");
}

#if !PS_STANDIN_CONSOLE
int StandIn::runHelper(const Popup& popup) {
    registerClasses();
    showPopup(popup);
    return 0;
}
#endif

void StandIn::showPopup(const Popup& popup) {
    if (kConsole) {
        journal("dialog " + popup.title + ": not shown, no window in the console");
        return;
    }
    journal("dialog " + popup.title + ": shown");
    HWND owner = popup.owned ? main_ : nullptr;
    const int width = 360;
    const int height = 150;
    // Titled and shown only once its buttons are there, as a dialog box
    // comes up whole: a pop-up closer that finds it by its title finds its
    // buttons too.
    HWND dlg = CreateWindowExW(WS_EX_DLGMODALFRAME, kDialogClass, L"", WS_POPUP | WS_CAPTION | WS_SYSMENU,
                               200, 200, width, height, owner, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (dlg == nullptr) {
        journal("dialog " + popup.title + ": could not be created");
        return;
    }
    SetPropW(dlg, L"PsSticky", reinterpret_cast<HANDLE>(static_cast<INT_PTR>(popup.sticky ? 1 : 0)));
    int x = 10;
    int id = 100;
    for (const auto& caption : popup.buttons) {
        CreateWindowW(L"Button", Widen(caption).c_str(), WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, x, 70, 100,
                      28, dlg, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id++)), GetModuleHandleW(nullptr),
                      nullptr);
        x += 110;
    }
    SetWindowTextW(dlg, Widen(popup.title).c_str());
    ShowWindow(dlg, SW_SHOW);
    if (popup.hung) {
        journal("dialog " + popup.title + ": user interface stops answering");
        for (;;)
            Sleep(INFINITE);
    }
    // Modal: the owner is disabled until the dialog is answered.
    if (owner != nullptr)
        EnableWindow(owner, FALSE);
    MSG msg;
    while (IsWindow(dlg)) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            PostQuitMessage(static_cast<int>(msg.wParam)); // for the main loop
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (owner != nullptr) {
        EnableWindow(owner, TRUE);
        SetActiveWindow(owner);
    }
}

LRESULT StandIn::dialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    wchar_t title[256] = {};
    GetWindowTextW(hwnd, title, 256);
    switch (msg) {
    case WM_COMMAND: {
        wchar_t caption[128] = {};
        GetWindowTextW(reinterpret_cast<HWND>(lp), caption, 128);
        journal("dialog " + Narrow(title) + ": " + Narrow(caption));
        // Ended once the button has finished its click, as dialogs end.
        PostMessageW(hwnd, kEndDialog, 0, 0);
        return 0;
    }
    case kEndDialog:
        DestroyWindow(hwnd);
        return 0;
    case WM_CLOSE:
        if (GetPropW(hwnd, L"PsSticky") != nullptr) {
            journal("dialog " + Narrow(title) + ": close ignored");
            return 0;
        }
        journal("dialog " + Narrow(title) + ": closed");
        DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        RemovePropW(hwnd, L"PsSticky");
        return 0;
    default:
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

LRESULT StandIn::mainProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CHAR: {
        // Keys typed into the window reach the command line.
        const wchar_t c = static_cast<wchar_t>(wp);
        if (c == 27) {
            typing_.clear();
            if (session_)
                session_->escape();
        } else if (c == L' ' || c == L'\r') {
            if (session_)
                session_->typed(typing_);
            typing_.clear();
        } else if (c >= 32) {
            typing_ += Narrow(std::wstring(1, c));
        }
        return 0;
    }
    case WM_CLOSE:
        if (directives_.hang) {
            journal("close ignored (hang)");
            return 0;
        }
        journal("window closed");
        DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(directives_.exitCode);
        return 0;
    default:
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

void StandIn::quit(int code) {
    DeleteFileW(Widen(lockPath_).c_str());
    journal("quit, exit code " + std::to_string(code));
    if (IsWindow(main_))
        DestroyWindow(main_);
    ExitProcess(static_cast<UINT>(code));
}

LRESULT CALLBACK MainProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return g_app != nullptr ? g_app->mainProc(hwnd, msg, wp, lp) : DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return g_app != nullptr ? g_app->dialogProc(hwnd, msg, wp, lp) : DefWindowProcW(hwnd, msg, wp, lp);
}

void StandIn::registerClasses() {
    WNDCLASSW wc{};
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpfnWndProc = MainProc;
    wc.lpszClassName = kMainClass;
    RegisterClassW(&wc);
    wc.lpfnWndProc = DialogProc;
    wc.lpszClassName = kDialogClass;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    RegisterClassW(&wc);
}

int StandIn::run() {
    journal("start: " + Narrow(GetCommandLineW()));
    if (kConsole)
        journal("console: " + drawing_ + " script " + script_ + " profile " +
                (profile_.empty() ? "(current)" : profile_) + " language " +
                (language_.empty() ? "(default)" : language_));
    identify();
    directives_ = ReadDirectives(drawing_ + ".standin");
    if (directives_.slowStart > 0)
        Sleep(static_cast<DWORD>(directives_.slowStart) * 1000);

    registerClasses();

    title_ = productName_ + " - [" + FileName(drawing_) + "]";
    if (!kConsole) {
        main_ = CreateWindowW(kMainClass, Widen(title_).c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50,
                              640, 480, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        if (main_ == nullptr)
            journal("main window could not be created");
        pump();
    }

    // No licence to run on: AutoCAD asks before anything else.
    if (directives_.licencePrompt)
        showPopup(
            Popup{"Let's Get Started", {"Autodesk ID", "Serial number", "Network license"}, true, false});

    const auto bytes = ReadFileBytes(drawing_);
    if (!bytes) {
        journal("cannot open drawing " + drawing_);
    } else {
        drawingBytes_ = *bytes;
        createLock(lockPath_);
        journal("opened " + drawing_);
    }
    session_ = std::make_unique<standin::Session>(*this, drawing_, nativeCode_);
    session_->setContents(directives_.contents);
    session_->setAutoLisp(autoLisp_);
    session_->setSysvar("logfilemode", standin::Value::Int(logPath_.empty() ? 0 : 1));
    session_->setSysvar("logfilename", standin::Value::Str(logPath_));
    if (directives_.modified)
        session_->setModified();

    if (directives_.crash) {
        journal("crashing");
        TerminateProcess(GetCurrentProcess(), 0xC0000005);
    }
    if (directives_.proxyObjects && showProxyDialog_ == 1)
        showPopup(Popup{"Proxy Information", {"OK"}});
    askWhatOpeningAsks();
    for (const auto& popup : directives_.popups)
        showPopup(popup);
    for (const auto& popup : directives_.helperPopups)
        startHelper(popup);

    if (directives_.hang) {
        journal("hanging");
        MSG msg;
        for (;;) {
            if (GetMessageW(&msg, nullptr, 0, 0) <= 0)
                Sleep(INFINITE);
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }

    if (bytes && !script_.empty()) {
        std::string scriptPath = script_;
        if (ps::ToLower(scriptPath.size() >= 4 ? scriptPath.substr(scriptPath.size() - 4) : "") != ".scr")
            scriptPath += ".scr";
        const auto text = readTextFile(scriptPath);
        if (!text) {
            journal("cannot read script " + scriptPath);
        } else {
            std::size_t start = 0;
            while (start < text->size() && !session_->quitRequested()) {
                auto end = text->find('\n', start);
                if (end == std::string::npos)
                    end = text->size();
                std::string line = text->substr(start, end - start);
                start = end + 1;
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                if (!pump())
                    break;
                session_->scriptLine(line);
            }
            session_->scriptEnded();
            journal("script ended");
        }
    }

    if (kConsole && !session_->quitRequested()) {
        // At the command prompt, for input nobody gives.
        journal("waiting at the command prompt");
        for (;;)
            Sleep(INFINITE);
    }
    // At the command prompt until the script or the user quits.
    MSG msg;
    while (!session_->quitRequested()) {
        const BOOL got = IsWindow(main_) ? GetMessageW(&msg, nullptr, 0, 0) : 0;
        if (got <= 0) {
            // The window was closed: AutoCAD ends, and its lock goes with it.
            DeleteFileW(Widen(lockPath_).c_str());
            journal("ended by closing its window, exit code " + std::to_string(directives_.exitCode));
            return directives_.exitCode;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    quit(directives_.exitCode);
    return directives_.exitCode;
}

} // namespace

#if PS_STANDIN_CONSOLE
int wmain(int argc, wchar_t** argv) {
    std::string drawing;
    std::string script;
    std::string profile;
    std::string language;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = ps::ToLower(Narrow(argv[i]));
        const bool more = i + 1 < argc;
        if (arg == "/i" && more)
            drawing = Narrow(argv[++i]);
        else if (arg == "/s" && more)
            script = Narrow(argv[++i]);
        else if ((arg == "/p" || arg == "/profile") && more)
            profile = Narrow(argv[++i]);
        else if (arg == "/l" && more)
            language = Narrow(argv[++i]);
        else if ((arg == "/product" || arg == "/loadmodule") && more)
            ++i;
        else if (arg == "/isolate" && i + 2 < argc)
            i += 2;
        else if (arg != "/readonly")
            script.clear(), i = argc;
    }
    if (drawing.empty() || script.empty()) {
        std::fputs(
            "usage: accoreconsole.exe /i \"drawing\" /s \"script.scr\" [/l <language>] [/p \"profile\"]\n",
            stderr);
        return 2;
    }
    StandIn app(drawing, script, profile, language);
    g_app = &app;
    return app.run();
}
#else
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argc == 4 && Narrow(argv[1]) == "/helper-popup") {
        StandIn helper(Narrow(argv[2]), "");
        const Popup popup = standin::ParsePopup(Narrow(argv[3]));
        LocalFree(argv);
        g_app = &helper;
        return helper.runHelper(popup);
    }
    std::string drawing;
    std::string script;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = Narrow(argv[i]);
        if (ps::EqualsNoCase(arg, "/b") && i + 1 < argc)
            script = Narrow(argv[++i]);
        else if (ps::EqualsNoCase(arg, "/nologo"))
            continue;
        else if (drawing.empty())
            drawing = arg;
    }
    LocalFree(argv);
    if (drawing.empty()) {
        MessageBoxW(nullptr, L"Usage: acad.exe \"drawing\" [/b \"script\"] [/nologo]", L"Stand-in AutoCAD",
                    MB_OK);
        return 2;
    }
    StandIn app(drawing, script);
    g_app = &app;
    return app.run();
}
#endif
