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

// The whole numbers a numeric key takes, and one more text it may hold
// besides ("-1": don't change). A range whose high is below its low takes
// any number.
struct KeyRange {
    std::int32_t low = 0;
    std::int32_t high = -1;
    std::string_view also = {};
    bool limited() const { return high >= low; }
};

// The most drawings a run processes at the same time, one AutoCAD each: the
// Parallel key's high. The settings dialog offers one per logical processor;
// a value set otherwise (--jobs, a policy) is taken up to this.
inline constexpr std::int32_t kMostDrawingsAtOnce = 32;

struct SettingKey {
    std::string_view name;     // as read
    std::string_view saveName; // as written (only restoreTime differs in case)
    KeyKind kind;
    std::string_view absent;  // text form used when the key is absent
    std::string_view restore; // text form Restore writes
    FieldRef (*field)(Settings&);
    KeyRange range = {}; // every check of a value (dialog, --set, stored, policy) reads it here
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

// The cleaning and conversion settings, hashed: a drawing an earlier run
// left OK with other such settings is no longer "unchanged".
std::uint64_t CleaningSettingsHash(const Settings& settings);

// The range of a key; none for an unknown key or one without a range.
KeyRange RangeOf(std::string_view name);

// Drawings at once for a Parallel setting, taken into its range.
std::int32_t DrawingsAtOnce(std::int32_t setting);
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
