// What both stand-in programs (the AutoCAD window and the console engine)
// read and write: the fault directives of a drawing's side file and plain
// file access. Windows only; for tests and demonstrations.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "registration.h"
#include "session.h"

namespace standin {

struct Popup {
    std::string title;
    std::vector<std::string> buttons;
    bool sticky = false;
    bool owned = true;
    bool hung = false;
};

struct Directives {
    bool licencePrompt = false;
    bool needsRecovery = false;     // the drawing needs recovering when it opens
    bool foreignDwg = false;        // last saved by a program that is not AutoCAD
    std::vector<std::string> xrefs; // xrefs that resolve, by path
    bool hang = false;
    bool crash = false;
    bool crashDuringSave = false;
    bool hangInSave = false;
    bool noSave = false;
    bool saveInPlace = false;
    int growKB = 0;
    bool proxyObjects = false;
    // What the drawing holds, for the companion's record.
    DrawingContents contents;
    bool modified = false;
    int slowStart = 0;
    int slowSave = 0;
    int exitCode = 0;
    std::vector<Popup> popups;
    // Shown by a program the stand-in starts and waits for, as AutoCAD's
    // error report comes from a program of its own.
    std::vector<Popup> helperPopups;
};

// "<title>|<b1>,<b2>" as the directives write a dialog.
Popup ParsePopup(const std::string& text);

std::optional<std::string> ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, std::string_view bytes);
bool FileExists(const std::string& path);
std::string WithoutExtension(const std::string& path);
std::string FileName(const std::string& path);
// The directives of a side file (<drawing>.standin); none when it is absent.
Directives ReadDirectives(const std::string& path);

// Puts the stand-in into a product's folder (made when missing): its
// executable, and the console engine for products that have one. programs:
// the folder of the built acad.exe and accoreconsole.exe.
bool InstallStandin(const StandinProduct& product, const std::string& folder, const std::string& programs);

} // namespace standin
