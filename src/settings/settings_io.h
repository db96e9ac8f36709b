// Moving settings between the record, the main window's layout and the store.
#pragma once

#include "core/registry.h"
#include "core/settings.h"
#include "settings/settings_store.h"

#include <array>
#include <cstdint>

namespace ps {

// The list's eight cells and "Missing", which the window shows from its runs.
inline constexpr std::size_t kListColumnCount = 9;
inline constexpr std::size_t kColMissing = 8;
inline constexpr std::string_view kMissingCaption = "Missing";

// The main window's stored layout, in twips. The window applies it; nothing
// here knows about windows.
struct WindowLayout {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int16_t windowState = 0; // 0 normal, 1 minimised, 2 maximised
    std::array<float, kListColumnCount> columnWidth{1500, 1300, 500, 500, 700, 700, 1440, 1440, 1200};
    std::array<std::int16_t, kListColumnCount> columnPosition{1, 2, 3, 4, 5, 6, 7, 8, 9};
    // The widths were set by the user (read from the store, or dragged):
    // only then are they kept. Otherwise the window sizes the columns to
    // their headers and contents and gives Status the spare width.
    bool columnWidthsSet = false;

    friend bool operator==(const WindowLayout&, const WindowLayout&) = default;
};

// The layout Restore gives the main window.
WindowLayout RestoredWindowLayout();

// Reads Left..WindowState with the window's current values as defaults and
// CH1..CH9, CP1..CP9 with the column defaults. A value that does not convert
// keeps the current one.
WindowLayout LoadWindowLayout(const SettingsStore& store, const WindowLayout& current);

// Start-up: the folder memories, the product (its executable, and its product
// key made AutoCAD's current one), the profile (made current), then every
// other run-settings key with its absent default. A stored value that does
// not convert leaves its field as it was; loading goes on.
void LoadFormSettings(const SettingsStore& store, Registry& registry, Settings& settings);

// Exit: window geometry and state, the folder memories, column widths and
// positions.
void SaveFormSettings(SettingsStore& store, const Settings& settings, const WindowLayout& layout);

// After the settings dialog's OK: every run-settings key and the folder memories.
void SaveSettings(SettingsStore& store, const Settings& settings);

// The dialog's Restore: deletes the old "PLANSWEEPER" area, writes every
// run-settings default into the record and the store at once, and returns
// the layout the main window is to take.
WindowLayout DefaultSettings(SettingsStore& store, const Registry& registry, Settings& settings);

// Text of a column width: decimal, fraction only where there is one.
std::string WidthText(float width);

} // namespace ps
