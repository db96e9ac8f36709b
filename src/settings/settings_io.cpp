#include "settings/settings_io.h"

#include "acad/products.h"
#include "settings/settings_keys.h"

#include "core/strings.h"

#include <cmath>
#include <limits>
#include <cstdio>
#include <cstdlib>

namespace ps {
namespace {

std::string Get(const SettingsStore& store, std::string_view key, std::string_view defaultText) {
    return store.GetSetting(kSettingsApp, kSettingsSection, key, defaultText);
}

// The stored text, or the fallback's when the key is absent; the fallback is
// looked up only then (the product catalogue takes its time to read).
template <typename Fallback>
std::string GetOr(const SettingsStore& store, std::string_view key, Fallback fallback) {
    constexpr std::string_view kAbsent = "\x1F(absent)\x1F"; // no stored text holds a control character
    std::string text = Get(store, key, kAbsent);
    return text == kAbsent ? fallback() : text;
}

void Save(SettingsStore& store, std::string_view key, std::string_view text) {
    store.SaveSetting(kSettingsApp, kSettingsSection, key, text);
}

template <typename Int> void ReadNumber(const SettingsStore& store, std::string_view key, Int& field) {
    const auto n = ParseStoredNumber(Get(store, key, std::to_string(field)));
    if (n && *n >= std::numeric_limits<Int>::min() && *n <= std::numeric_limits<Int>::max())
        field = static_cast<Int>(*n);
}

std::optional<float> ParseWidth(std::string_view text) {
    const std::string s(TrimBlanks(text));
    if (s.empty())
        return std::nullopt;
    char* end = nullptr;
    const float value = std::strtof(s.c_str(), &end);
    if (end != s.c_str() + s.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

std::string WidthText(float width) {
    char text[32];
    std::snprintf(text, sizeof text, "%.7g", static_cast<double>(width));
    return text;
}

WindowLayout RestoredWindowLayout() {
    WindowLayout layout;
    layout.left = 1884;
    layout.top = 2832;
    layout.width = 7656;
    layout.height = 4956;
    layout.windowState = 0;
    return layout;
}

WindowLayout LoadWindowLayout(const SettingsStore& store, const WindowLayout& current) {
    WindowLayout layout = current;
    ReadNumber(store, "Left", layout.left);
    ReadNumber(store, "Top", layout.top);
    ReadNumber(store, "Width", layout.width);
    ReadNumber(store, "Height", layout.height);
    ReadNumber(store, "WindowState", layout.windowState);
    const WindowLayout defaults;
    layout.columnWidthsSet = false; // only what the store holds
    for (std::size_t i = 0; i < kListColumnCount; ++i) {
        const std::string n = std::to_string(i + 1);
        layout.columnWidth[i] = defaults.columnWidth[i];
        if (auto w = ParseWidth(Get(store, "CH" + n, ""))) {
            layout.columnWidth[i] = *w;
            layout.columnWidthsSet = true;
        }
        layout.columnPosition[i] = defaults.columnPosition[i];
        ReadNumber(store, "CP" + n, layout.columnPosition[i]);
    }
    return layout;
}

void LoadFormSettings(const SettingsStore& store, Registry& registry, Settings& settings) {
    for (const auto& key : FolderMemoryKeys())
        AssignStoredText(key, settings, Get(store, key.name, key.absent));

    settings.ProdName = GetOr(store, "ProdName", [&] { return AcadCurrentProductName(registry); });
    settings.ExePath = AcadExePath(registry, settings.ProdName);
    MakeProductCurrent(registry, settings.ProdName);
    settings.Profile =
        GetOr(store, "Profile", [&] { return AcadProductProfile(registry, settings.ProdName); });
    SetAcadProductProfile(registry, settings.ProdName, settings.Profile);

    for (const auto& key : RunSettingKeys()) {
        if (key.kind == KeyKind::Product || key.kind == KeyKind::Profile)
            continue;
        const std::string text = store.GetSetting(kSettingsApp, kSettingsSection, key.name, key.absent);
        AssignStoredText(key, settings, text); // a value that does not convert is passed over
    }
}

void SaveFormSettings(SettingsStore& store, const Settings& settings, const WindowLayout& layout) {
    Save(store, "Left", std::to_string(layout.left));
    Save(store, "Top", std::to_string(layout.top));
    Save(store, "Width", std::to_string(layout.width));
    Save(store, "Height", std::to_string(layout.height));
    Save(store, "WindowState", std::to_string(layout.windowState));
    for (const auto& key : FolderMemoryKeys())
        Save(store, key.saveName, StoredText(key, settings));
    if (layout.columnWidthsSet)
        for (std::size_t i = 0; i < kListColumnCount; ++i)
            Save(store, "CH" + std::to_string(i + 1), WidthText(layout.columnWidth[i]));
    for (std::size_t i = 0; i < kListColumnCount; ++i)
        Save(store, "CP" + std::to_string(i + 1), std::to_string(layout.columnPosition[i]));
}

void SaveSettings(SettingsStore& store, const Settings& settings) {
    for (const auto& key : RunSettingKeys())
        Save(store, key.saveName, StoredText(key, settings));
    for (const auto& key : FolderMemoryKeys())
        Save(store, key.saveName, StoredText(key, settings));
}

WindowLayout DefaultSettings(SettingsStore& store, const Registry& registry, Settings& settings) {
    store.DeleteSetting(kSettingsSection); // an area of that name, left by old versions

    for (const auto& key : RunSettingKeys()) {
        if (key.kind == KeyKind::Product)
            settings.ProdName = AcadCurrentProductName(registry);
        else if (key.kind == KeyKind::Profile)
            settings.Profile = AcadCurrentProfile(registry);
        else
            AssignStoredText(key, settings, key.restore);
        Save(store, key.saveName, StoredText(key, settings));
        // What the store gives back is what counts: an enforced value stays.
        AssignStoredText(key, settings, Get(store, key.saveName, StoredText(key, settings)));
    }
    settings.ExePath = AcadExePath(registry, settings.ProdName);
    for (const auto& key : FolderMemoryKeys()) {
        AssignStoredText(key, settings, key.restore);
        Save(store, key.saveName, StoredText(key, settings));
    }
    return RestoredWindowLayout();
}

} // namespace ps
