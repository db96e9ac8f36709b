#include "settings/settings_keys.h"

#include "acad/releases.h"

#include "core/file_system.h"
#include "core/strings.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <limits>
#include <utility>
#include <vector>

namespace ps {
namespace {

#define PS_FIELD(member)                                                                                     \
    [](Settings& s) -> FieldRef {                                                                            \
        return &s.member;                                                                                    \
    }
#define PS_FLAG(member, absent, restore)                                                                     \
    { #member, #member, KeyKind::Flag, absent, restore, PS_FIELD(member) }
#define PS_SWITCH(member) PS_FLAG(member, "0", "0")

constexpr std::string_view kDontConvert = kDontConvertWord;

// The keys of one value each, in the order they are written.
const SettingKey kFixedRunKeys[] = {
    PS_FLAG(IncludeSubfolders, "-1", "-1"),
    {"showVersion", "showVersion", KeyKind::Flag10, "0", "0", PS_FIELD(showVersion)},
    PS_FLAG(ArchiveAttrib, "-1", "-1"),
    PS_FLAG(IncludeDXF, "0", "0"),
    {"Timeout", "Timeout", KeyKind::Int32, "120", "120", PS_FIELD(Timeout), {0, 100000}},
    {"Parallel", "Parallel", KeyKind::Int32, "1", "1", PS_FIELD(Parallel), {1, kMostDrawingsAtOnce}},
    PS_FLAG(ClosePopUps, "-1", "-1"),
    PS_SWITCH(UseConsole),
    PS_SWITCH(SkipUnchanged),
    PS_FLAG(OnTop, "-1", "0"),
    PS_SWITCH(Audit),
    PS_SWITCH(ZoomE),
    PS_SWITCH(PSpace),
    {"ScriptFile", "ScriptFile", KeyKind::Text, "", "", PS_FIELD(ScriptFile)},
    {"PurgeTimes", "PurgeTimes", KeyKind::Int16, "3", "3", PS_FIELD(PurgeTimes), {0, 5}},
    PS_FLAG(CreateBak, "-1", "-1"),
    {"RestoreTime", "restoreTime", KeyKind::Flag, "-1", "-1", PS_FIELD(RestoreTime)},
    PS_SWITCH(bSaveToFolder),
    {"sSaveToFolder", "sSaveToFolder", KeyKind::Text, "", "", PS_FIELD(sSaveToFolder)},
    {"ProdName", "ProdName", KeyKind::Product, "", "", PS_FIELD(ProdName)},
    {"Profile", "Profile", KeyKind::Profile, "", "", PS_FIELD(Profile)},

    {"DeleteDays", "DeleteDays", KeyKind::Int32, "10", "10", PS_FIELD(DeleteDays), {0, 100000}},
    PS_SWITCH(DeleteBak),
    PS_SWITCH(DeleteBK),
    PS_SWITCH(DeleteSV),
    PS_SWITCH(DeleteEBD),
    PS_SWITCH(DeleteAC),
    PS_SWITCH(DeleteDMP),
    PS_SWITCH(DeleteERR),
    PS_SWITCH(DeleteXLG),
    PS_SWITCH(DeleteDWL),
    PS_SWITCH(DeleteDWK),
    PS_SWITCH(DeletePlotLog),

    PS_SWITCH(PurgeAll),
    PS_SWITCH(PurgeBlock),
    PS_SWITCH(PurgeDim),
    PS_SWITCH(PurgeLayer),
    PS_SWITCH(PurgeLT),
    PS_SWITCH(PurgeML),
    PS_SWITCH(PurgePS),
    PS_SWITCH(PurgeShape),
    PS_SWITCH(PurgeText),
    PS_SWITCH(PurgeRegapps),
    PS_SWITCH(PurgeTableStyles),
    PS_SWITCH(PurgeMaterials),
    PS_SWITCH(PurgeVisualStyles),
    PS_SWITCH(PurgeOrphaned),
    PS_SWITCH(DelFilter),
    PS_SWITCH(DelLayer),
    PS_SWITCH(DelExpress),
    PS_SWITCH(DelLine),
    PS_SWITCH(DelText),
    PS_SWITCH(DelPageSetups),
    PS_SWITCH(ACAD_VBA),
    PS_SWITCH(AppId),
    PS_SWITCH(PurgeAnonymGroups),
    PS_SWITCH(PurgeAllGroups),
    PS_SWITCH(PurgeAllNOD),
    PS_SWITCH(PurgeCleanRegApp),

    PS_SWITCH(PurgeDoorStyles),
    PS_SWITCH(PurgeRailingStyles),
    PS_SWITCH(PurgeSpaceStyles),
    PS_SWITCH(PurgeStairStyles),
    PS_SWITCH(PurgeWallEndcapStyles),
    PS_SWITCH(PurgeWallStyles),
    PS_SWITCH(PurgeWindowStyles),
    PS_SWITCH(PurgeAECDimensionStyles),
    PS_SWITCH(PurgeAreaGroupStyles),
    PS_SWITCH(PurgeAreaStyles),
    PS_SWITCH(PurgeCalculationModifierStyles),
    PS_SWITCH(PurgeAECPolygonStyles),
    PS_SWITCH(PurgeCustomMemberShapeStyles),
    PS_SWITCH(PurgeStructuralMemberStyles),
    PS_SWITCH(PurgeMultiViewBlockDefinitions),
    PS_SWITCH(PurgeLayerStyles),
    PS_SWITCH(PurgeCustomShapeDefinitions),

    {"INDEXCTL", "INDEXCTL", KeyKind::Int16, "-1", "-1", PS_FIELD(INDEXCTL), {-1, 3}},
    {"ISAVEPERCENT", "ISAVEPERCENT", KeyKind::Int16, "-1", "-1", PS_FIELD(ISAVEPERCENT), {0, 100, "-1"}},
    {"PROXYGRAPHICS", "PROXYGRAPHICS", KeyKind::Int16, "-1", "-1", PS_FIELD(PROXYGRAPHICS), {-1, 1}},
    {"RASTERPREVIEW", "RASTERPREVIEW", KeyKind::Int16, "-1", "-1", PS_FIELD(RASTERPREVIEW), {-1, 1}},
};

// One accessor per release family of a per-format array (R, HCA or HCP).
using PerFormat = std::array<std::string, kFormatCount> Settings::*;
template <PerFormat Field, std::size_t... Row>
constexpr std::array<FieldRef (*)(Settings&), kFormatCount> FormatFields(std::index_sequence<Row...>) {
    return {[](Settings& s) -> FieldRef {
        return &(s.*Field)[Row];
    }...};
}
template <PerFormat Field>
constexpr auto kFormatFields = FormatFields<Field>(std::make_index_sequence<kFormatCount>{});

const std::vector<SettingKey>& BuildRunKeys() {
    static const std::vector<SettingKey> keys = [] {
        std::vector<SettingKey> k(std::begin(kFixedRunKeys), std::end(kFixedRunKeys));
        // Per-format keys by the release families: R12, HCA12, HCP12 and so
        // on. The names live in static storage so the table can hold views of them.
        static const std::array<std::string, 3 * kFormatCount> names = [] {
            std::array<std::string, 3 * kFormatCount> n;
            for (std::size_t i = 0; i < kFormatCount; ++i) {
                n[i] = FormatKey("R", Families()[i].family);
                n[kFormatCount + i] = FormatKey("HCA", Families()[i].family);
                n[2 * kFormatCount + i] = FormatKey("HCP", Families()[i].family);
            }
            return n;
        }();
        for (std::size_t i = 0; i < kFormatCount; ++i) {
            k.push_back({names[i], names[i], KeyKind::Text, kDontConvert, kDontConvert,
                         kFormatFields<&Settings::R>[i]});
            const auto& hca = names[kFormatCount + i];
            const auto& hcp = names[2 * kFormatCount + i];
            k.push_back({hca, hca, KeyKind::Text, "", "", kFormatFields<&Settings::HCA>[i]});
            k.push_back({hcp, hcp, KeyKind::Text, "", "", kFormatFields<&Settings::HCP>[i]});
        }
        return k;
    }();
    return keys;
}

const SettingKey kFolderKeys[] = {
    {"InitialDir1", "InitialDir1", KeyKind::Text, "C:\\", "", PS_FIELD(InitialDir1)},
    {"InitialDir2", "InitialDir2", KeyKind::Text, "C:\\", "", PS_FIELD(InitialDir2)},
    {"InitialDir3", "InitialDir3", KeyKind::Text, "C:\\", "", PS_FIELD(InitialDir3)},
};

#undef PS_SWITCH
#undef PS_FLAG
#undef PS_FIELD

template <typename Int> bool AssignNumber(Int* field, std::string_view text) {
    const auto n = ParseStoredNumber(text);
    if (!n || *n < std::numeric_limits<Int>::min() || *n > std::numeric_limits<Int>::max())
        return false;
    *field = static_cast<Int>(*n);
    return true;
}

} // namespace

std::string FormatKey(std::string_view prefix, ReleaseFamily family) {
    return std::string(prefix) + std::string(FamilyName(family).substr(1));
}

std::span<const SettingKey> RunSettingKeys() {
    return BuildRunKeys();
}

std::span<const SettingKey> FolderMemoryKeys() {
    return kFolderKeys;
}

const SettingKey* FindSettingKey(std::string_view name) {
    for (const auto& key : RunSettingKeys())
        if (EqualsNoCase(key.name, name))
            return &key;
    for (const auto& key : kFolderKeys)
        if (EqualsNoCase(key.name, name))
            return &key;
    return nullptr;
}

std::uint64_t CleaningSettingsHash(const Settings& settings) {
    // Settings that change how drawings are found or how a run goes, not
    // what it does to a drawing.
    static constexpr std::string_view kNotCleaning[] = {
        "IncludeSubfolders", "showVersion", "ArchiveAttrib", "IncludeDXF",    "Timeout",    "Parallel",
        "ClosePopUps",       "UseConsole",  "OnTop",         "SkipUnchanged", "RestoreTime"};
    std::uint64_t hash = HashBytes("");
    for (const auto& key : RunSettingKeys()) {
        if (std::any_of(std::begin(kNotCleaning), std::end(kNotCleaning),
                        [&](std::string_view k) { return EqualsNoCase(k, key.name); }))
            continue;
        hash = HashBytes(std::string(key.name) + "=" + StoredText(key, settings) + "\n", hash);
    }
    return hash;
}

KeyRange RangeOf(std::string_view name) {
    const SettingKey* key = FindSettingKey(name);
    return key != nullptr ? key->range : KeyRange{};
}

std::int32_t DrawingsAtOnce(std::int32_t setting) {
    const KeyRange range = RangeOf("Parallel");
    return std::clamp<std::int32_t>(setting, range.low, range.high);
}

std::optional<std::int64_t> ParseStoredNumber(std::string_view text) {
    text = TrimBlanks(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    const auto dot = text.find('.');
    const auto whole = text.substr(0, dot);
    const auto fraction = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
    if (whole.empty() && fraction.empty())
        return std::nullopt;
    std::int64_t value = 0;
    for (char c : whole) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > (std::int64_t{1} << 40))
            return std::nullopt; // far beyond any field
    }
    for (char c : fraction)
        if (c < '0' || c > '9')
            return std::nullopt;
    // Round half to even on the first fraction digit and whatever follows it.
    if (!fraction.empty()) {
        const char first = fraction.front();
        const bool restNonZero = fraction.find_first_not_of('0', 1) != std::string_view::npos;
        if (first > '5' || (first == '5' && (restNonZero || value % 2 == 1)))
            ++value;
    }
    return negative ? -value : value;
}

bool AssignStoredText(const SettingKey& key, Settings& settings, std::string_view text) {
    const FieldRef field = key.field(settings);
    if (auto* s = std::get_if<std::string*>(&field)) {
        **s = std::string(text);
        return true;
    }
    if (auto* i16 = std::get_if<std::int16_t*>(&field))
        return AssignNumber(*i16, text);
    return AssignNumber(std::get<std::int32_t*>(field), text);
}

std::string StoredText(const SettingKey& key, const Settings& settings) {
    const FieldRef field = key.field(const_cast<Settings&>(settings));
    if (auto* s = std::get_if<std::string*>(&field))
        return **s;
    if (auto* i16 = std::get_if<std::int16_t*>(&field))
        return std::to_string(**i16);
    return std::to_string(*std::get<std::int32_t*>(field));
}

} // namespace ps
