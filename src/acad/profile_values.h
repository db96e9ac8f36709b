// The three AutoCAD profile values changed for every drawing of a run (the
// proxy dialog, the backup copy, the file dialog), and for releases that
// load code only from trusted folders the profile's trusted paths, all
// written back when AutoCAD has ended. The saved values are also kept in the registry until
// they are written back, so a program that ends while AutoCAD runs can put
// them back at its next start.
#pragma once

#include "acad/registry_helpers.h"
#include "core/registry.h"
#include "core/run_ownership.h"

#include <optional>
#include <span>
#include <vector>
#include <string>
#include <string_view>

namespace ps {

// Where the values wait to be written back (HKEY_CURRENT_USER): one record
// per product and profile below it, shared by the runs that use it.
inline constexpr std::string_view kPendingProfileValuesKey =
    "Software\\QUILLMERE\\Plansweeper\\PendingProfileValues";

// The system variables a run sets in the profile so that opening a drawing
// asks nothing: AutoCAD reads them when it starts, before the drawing opens
// and before any script line runs. Each is saved in the registry with the
// profile's variables (...\Profiles\<profile>\Variables, beside
// SECURELOAD and TRUSTEDPATHS). The proxy notice (PROXYNOTICE) is the
// profile's ShowProxyDialog value, set with the three values above.
struct SilentVariable {
    std::string_view name;
    std::string_view value; // what the run sets (an integer's digits, or a text)
    bool integer;           // REG_DWORD, else REG_SZ
    bool keepNonEmpty;      // a text the profile holds already is kept
};
inline constexpr SilentVariable kSilentVariables[] = {
    {"FONTALT", "simplex.shx", false, true}, // a missing font is replaced, no Alternate Font dialog
    {"XREFNOTIFY", "0", true, false},        // no notification of missing or changed xrefs
    {"RECOVERAUTO", "2", true, false},       // a damaged drawing is recovered and opened without notice
    {"XLOADCTL", "2", true, false},          // xrefs open as copies: drawings at once lock no reference
    {"DWGCHECK", "0", true, false},          // no warning for drawings saved by other programs
    {"FILEDIA", "0", true, false},           // file dialogs off: commands prompt at the command line
    // With a log folder for the run: AutoCAD's command history of each
    // drawing is written to a log file there.
    {"LOGFILEMODE", "1", true, false},
    {"LOGFILEPATH", "", false, false}, // the run's log folder
};
inline bool IsLogVariable(std::string_view name) {
    return name == "LOGFILEMODE" || name == "LOGFILEPATH";
}

struct SavedProfileValues {
    std::string recordKey;  // HKCU, where they wait to be written back
    std::string profileKey; // HKCU ...\Profiles\<profile>
    std::string fixedKey;   // HKCU ...\FixedProfile\General Configuration
    // What was read: a 32-bit integer, a string, or the default 1 (16-bit).
    RegVariant showProxyDialog;
    RegVariant isaveBackupDwg;
    RegVariant fileDialog;
    bool pending = false;
    // The silent variables as the profile held them (nullopt: no value),
    // by kSilentVariables' order; empty when the profile has no key.
    std::string variablesKey; // HKCU ...\Profiles\<profile>\Variables
    std::vector<std::optional<RawRegValue>> silent;
    std::string logFolder;         // where AutoCAD writes its command history; empty: no logs
    bool createdSilentKey = false; // the Variables key was created for them
    // TRUSTEDPATHS of the profile, when the run had to add folders to it.
    bool trustSet = false;
    std::string trustKey;                    // HKCU ...\Profiles\<profile>\Variables
    std::optional<RawRegValue> trustedPaths; // what it was, as stored; nullopt: no value
    bool createdVariablesKey = false;
    bool untrusted = false; // the folders could not be added (the value is locked)
    // The release ignores the profile's trusted paths (PROJECTAWARE 1 from
    // 2026 on), and lockedOut is a folder it therefore will not load from.
    bool locked = false;
    std::string lockedOut;
};

// Folders AutoCAD always trusts, whatever its settings: the Program Files
// folders and everything below them.
bool AlwaysTrustedFolder(std::string_view folder);

// Whether a trusted-paths list trusts the folder: itself, or a parent listed
// with "\\..."; "" and "." trust nothing.
bool TrustsFolder(std::string_view trustedPaths, std::string_view folder);
// The profile's trusted paths with the folders added that it does not yet
// trust (itself, or a parent listed with "\..."); "" and "." trust nothing.
std::string WithTrustedFolders(std::string_view trustedPaths, std::span<const std::string> folders);

// The profile key of a product (by name) and profile.
std::string AcadProfileKey(const Registry& reg, std::string_view prodName, std::string_view profile);
std::string AcadFixedProfileKey(const Registry& reg, std::string_view prodName);

// Saves the three values of the product and profile and sets them for the run:
// ShowProxyDialog 0, IsaveBackupDwg 1 or 0 from createBak, FileDialog 1;
// and the silent variables.
// Values are written only into keys that exist. With trustFolders, the
// folders AutoCAD is to load code from are added to the profile's trusted
// paths unless SECURELOAD is 0 (it is never changed) or they lie below the
// always-trusted folders; untrusted tells when that could not be done, and
// locked when the release ignores the list for this profile.
// The record goes to recordKey (below kPendingProfileValuesKey).
SavedProfileValues GetAcadRegistry(Registry& reg, std::string_view prodName, std::string_view profile,
                                   bool createBak, std::span<const std::string> trustFolders = {},
                                   std::string recordKey = std::string(kPendingProfileValuesKey) + "\\1",
                                   std::string_view logFolder = {});
// Writes the saved values back and forgets the pending record.
void RestoreAcadRegistry(Registry& reg, SavedProfileValues& saved);

// The profile values as the runs at work share them. A run joins the record
// of a product and profile (made current for it), the first one recording
// what it found; the last to leave writes it back, so the values never
// change under another run's AutoCAD. A run whose product is in use with
// another profile, or whose record's users want another backup switch, is
// Busy and waits.
struct ProfileJoin {
    // Locked: the release locks its trusted paths for the profile and a
    // folder lies outside the always-trusted ones (saved.lockedOut).
    enum class Result { Joined, Busy, Untrusted, Locked } result = Result::Busy;
    SavedProfileValues saved; // pending when joined
};
ProfileJoin JoinProfileValues(Registry& reg, RunOwnership& runs, std::string_view prodName,
                              std::string_view profile, bool createBak,
                              std::span<const std::string> trustFolders, std::string_view logFolder = {});
void LeaveProfileValues(Registry& reg, RunOwnership& runs, SavedProfileValues& saved);

// Writes back the records no live run uses any more (and one an earlier
// version of the program left); true when there were any.
bool RestorePendingProfileValues(Registry& reg, RunOwnership& runs);

} // namespace ps
