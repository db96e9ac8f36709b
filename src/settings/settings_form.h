// The rules of the settings dialog that do not need a window (the
// convert-to choices are the release table's): how stored values show in check boxes and option
// groups, and the checks made when the user leaves a box.
#pragma once

#include "settings/settings_keys.h"
#include "settings/settings_store.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ps {

// A check box's tick from its stored text: the flags whose absent value is
// -1 are ticked only by -1, every other by any non-zero number.
bool TickedFromStored(std::string_view key, std::string_view stored);

// A number as the boxes accept it: blanks around, a sign, digits, a fraction.
std::optional<double> BoxNumber(std::string_view text);

enum class FormBox { ISavePercent, Timeout, DeleteDays, PurgeTimes, SaveToFolder, ScriptFile, Parallel };

struct BoxCheck {
    bool ok = true;
    std::string message;    // when not ok
    bool errorTitle = true; // "Error", else the program's title
    std::string text;       // the box's text after the check (the save-to folder loses one trailing "\")
};

// The check made when the focus leaves a box. exists says whether a path
// names an existing folder (SaveToFolder) or file (ScriptFile). The numbers
// are also kept within what their settings field holds, so that OK never
// stops half-way through copying.
// logicalProcessors bounds the Parallel box.
BoxCheck CheckBox(FormBox box, std::string_view text, bool (*exists)(std::string_view path) = nullptr,
                  unsigned logicalProcessors = kMostDrawingsAtOnce);

// What is wrong with a value given for a settings key from outside the
// dialog (the batch command's --set), by the dialog's own rules: numbers in
// their ranges, flags -1 or 0, option groups within their choices, a
// convert-to word of its row's list. nullopt when the value is good. Product
// names need the registry and are checked by the caller.
std::optional<std::string> CheckSettingValue(std::string_view key, std::string_view value);

// What is wrong with the settings a run would use, whatever their source
// (the administrator's enforced values and defaults, the user's store, a
// batch's --set): each value by the same rules as CheckSettingValue, and a
// product (ProdName, HCA..) that is not installed. One sentence per wrong
// value, naming the key, the value and where it comes from (sourceOf).
std::vector<std::string>
CheckEffectiveSettings(const SettingsStore& store,
                       const std::function<std::string(std::string_view key)>& sourceOf,
                       const std::function<bool(std::string_view product)>& installed);

// The Explorer entry's command line for the program at this path.
std::string ExplorerCommandLine(std::string_view programPath);

} // namespace ps
