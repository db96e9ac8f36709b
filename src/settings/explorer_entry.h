// The Explorer entry "Plansweeper" on the context menu of DWG and DXF
// drawings: a shell verb of their file types, written for the current user
// (HKCU\Software\Classes, which Explorer merges into HKEY_CLASSES_ROOT and
// which needs no administrator rights).
#pragma once

#include "core/registry.h"

#include <functional>
#include <string>
#include <string_view>

namespace ps {

inline constexpr std::string_view kAppPathsKey = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
inline constexpr std::string_view kProgramFileName = "plansweeper.exe";

// The program as App Paths registers it, else ownPath.
std::string ProgramPathForExplorer(const Registry& reg, std::string_view ownPath);

// Writes the verb for the file types of ".dwg" and ".dxf" (an extension
// without a file type is passed over); true when the entry exists afterwards.
bool CreateExplorerEntry(Registry& reg, std::string_view programPath);
// Removes the verb for the current user, and where an earlier version wrote
// it under HKEY_CLASSES_ROOT when that is allowed; true when it is gone.
bool DeleteExplorerEntry(Registry& reg);
bool ExplorerEntryExists(const Registry& reg);

// The program the current user's entry starts, as its command names it;
// empty when the user has no entry.
std::string ExplorerEntryProgram(const Registry& reg);
// Removes the current user's entry when the program it starts is gone (an
// uninstalled or moved copy); the machine's entry stays. True when it did.
bool RemoveStaleExplorerEntry(Registry& reg, const std::function<bool(std::string_view)>& programExists);

} // namespace ps
