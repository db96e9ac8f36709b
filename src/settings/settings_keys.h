// Every stored run-settings key: its name, stored text form, the value used
// when the key is absent and the value Restore writes.
#pragma once

#include "acad/releases.h"

#include "core/settings.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace ps {

enum class KeyKind {
    Flag,    // "-1" on, "0" off
    Flag10,  // "1" on, "0" off (showVersion)
    Int16,   // decimal, 16-bit
    Int32,   // decimal, 32-bit
    Text,    // stored as is
    Product, // text; absent and restore: AutoCAD's current product name
    Profile, // text; absent and restore: the current product's current profile
};

using FieldRef = std::variant<std::int16_t*, std::int32_t*, std::string*>;

struct SettingKey {
    std::string_view name;     // as read
    std::string_view saveName; // as written (only restoreTime differs in case)
    KeyKind kind;
    std::string_view absent;  // text form used when the key is absent
    std::string_view restore; // text form Restore writes
    FieldRef (*field)(Settings&);
};

// A per-format key: the prefix ("R", "HCA", "HCP") and the family's number
// ("R15" -> "HCA15").
std::string FormatKey(std::string_view prefix, ReleaseFamily family);

// The run-settings keys in store order: general, deletion, purge and
// clean-up, architectural styles, system variables, per-format keys.
std::span<const SettingKey> RunSettingKeys();

// The key with this name (without regard to case), among the run-settings
// keys and the folder memories InitialDir1..3; nullptr when unknown.
const SettingKey* FindSettingKey(std::string_view name);
std::span<const SettingKey> FolderMemoryKeys();

// A stored number as the platform's conversion reads it: blanks around,
// an optional sign, digits, an optional fraction rounded half to even.
// nullopt for anything else.
std::optional<std::int64_t> ParseStoredNumber(std::string_view text);

// Converts stored text into the field; false (field unchanged) when the
// text does not convert to the field's type.
bool AssignStoredText(const SettingKey& key, Settings& settings, std::string_view text);
// The field's stored text form.
std::string StoredText(const SettingKey& key, const Settings& settings);

} // namespace ps
