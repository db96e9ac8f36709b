// What the program relies on in AutoCAD and AutoCAD LT, in one place: the
// executables, the command lines, the registry entries and the windows.
#pragma once

#include <string>
#include <string_view>

namespace ps {

// Executables in a product's installation folder.
inline constexpr std::string_view kAcadExe = "acad.exe";
inline constexpr std::string_view kAcltExe = "aclt.exe";
inline constexpr std::string_view kAcadLtExe = "acadlt.exe"; // AutoCAD LT 2007 to 2009

// The AutoCAD LT executable for a product name: "acadlt.exe" when the name
// contains 2007, 2008 or 2009, else "aclt.exe".
std::string_view AutoCadLtExeName(std::string_view productName);

// Registry values of the product tree (HKLM "Software\Autodesk\...").
inline constexpr std::string_view kRegCurProd = "CurProd";
inline constexpr std::string_view kRegCurVer = "CurVer";
inline constexpr std::string_view kRegProductName = "ProductName";
inline constexpr std::string_view kRegAcadLocation = "AcadLocation";
inline constexpr std::string_view kRegLocation = "Location";
inline constexpr std::string_view kRegAcltLocation = "ACLTLocation";

// Profile values AutoCAD reads at start (HKCU, per product and profile).
inline constexpr std::string_view kRegShowProxyDialog = "ShowProxyDialog"; // under <profile>\General
inline constexpr std::string_view kRegIsaveBackupDwg =
    "IsaveBackupDwg";                                            // under <profile>\General Configuration
inline constexpr std::string_view kRegFileDialog = "FileDialog"; // under FixedProfile\General Configuration

// Batch start: AutoCAD opens the drawing, runs the script (given without its
// ".scr") and ends its process when the script quits it. The executable path
// is quoted: default installation folders contain blanks.
std::string BatchCommandLine(std::string_view exePath, std::string_view drawingPath,
                             std::string_view scriptPathWithoutExtension);
// The console engine of AutoCAD 2013 and later, beside acad.exe: no window,
// no dialogs; it opens the drawing given with /i and runs the script given
// with /s (with its ".scr"), in the language /l and the profile /p names.
inline constexpr std::string_view kAcCoreConsoleExe = "accoreconsole.exe";
std::string ConsoleEnginePath(std::string_view acadExePath);
// profile and language are left out when empty.
std::string ConsoleCommandLine(std::string_view consolePath, std::string_view drawingPath,
                               std::string_view scriptPath, std::string_view profile,
                               std::string_view language);
// The language of a product, from the locale its product key ends with
// ("ACAD-B001:409" is "en-US"); empty for one not known here.
std::string_view ProductLanguage(std::string_view productKey);
// Interactive start on one drawing.
std::string InteractiveCommandLine(std::string_view exePath, std::string_view drawingPath);

// AutoCAD's main window title starts with "AutoCAD" in any letter case; its
// dialogs are top-level windows owned by that window.
bool IsAutoCadWindowTitle(std::string_view title);

// The version code a file saved with that saveas answer starts with
// ("AC1024" for "_2010"); empty for anything else. Letter case is free.
std::string_view VersionCodeOfSaveFormat(std::string_view saveAsAnswer);

} // namespace ps
