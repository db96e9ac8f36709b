// The settings dialog's controls as tables: what each page holds, where, in
// dialog units, and in the tab order. Shared by the dialog's files.
#pragma once

#include "acad/releases.h"

#include <span>
#include <string_view>

#include <windows.h>

namespace ps::settings_table {

enum ControlId : int {
    idAcadVer = 2001,
    idAcadProf,
    idTimeout,
    idScriptFile,
    idScriptBrowse,
    idPurgeTimes,
    idSaveToFolder,
    idGetPath,
    idDeleteDays,
    idIsaveText,
    idIsaveCheck,
    idCreateShortcut,
    idDeleteShortcut,
    idShortcutState,
    idParallel,
    idRowConvert = 2100, // + row
    idRowApp = 2110,
    idRowProf = 2120,
    idIndexctl = 2200, // + option index
    idProxy = 2210,
    idRaster = 2220,
    idCheckBase = 3000, // + index into kChecks
    idStatic = 4000,
};
static_assert(idRowApp - idRowConvert >= static_cast<int>(kFormatCount) &&
              idRowProf - idRowApp >= static_cast<int>(kFormatCount));
constexpr UINT kValidateMessage = WM_APP + 10;

// FormatGrid: the SaveAs page's rows, one per release family, at this spot
// of the tab order (x, y: the first row's place; h: the rows' spacing).
enum class Kind { Label, Edit, Combo, Button, Group, Radio, FormatGrid };

struct Item {
    Kind kind;
    int id;
    int page;
    int x, y, w, h;
    const char* caption;
    const char* tip;
};

// The SaveAs page's rows: the first one's top and the spacing, and the top of
// what follows them (every release family adds a row).
constexpr int kGridTop = 26;
constexpr int kGridRow = 16;
constexpr int kBelowGrid = kGridTop + kGridRow * static_cast<int>(kFormatCount) + 8;

// Pages: 0 General, 1 Purge, 2 SaveAs, 3 Delete, 4 Variables, 5 Shortcut, 6 architectural styles.
struct Check {
    const char* key;
    const char* caption;
    int page;
    int x, y, w;
    const char* tip;
};

// Pages: 0 General, 1 Purge, 2 SaveAs, 3 Delete, 4 Variables, 5 Shortcut, 6 architectural styles.
std::span<const Item> Items();
// Check boxes by settings key; id = idCheckBase + index.
std::span<const Check> Checks();
// The tabs' captions, pages 0 to 5.
std::span<const char* const> Tabs();
// The index of a key's check box; -1 when none has it.
int CheckIndex(std::string_view key);

} // namespace ps::settings_table
