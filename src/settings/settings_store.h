// The per-user settings store: text values addressed by application name,
// section and key (key names without regard to case).
#pragma once

#include "core/registry.h"

#include <string>
#include <string_view>

namespace ps {

inline constexpr std::string_view kSettingsApp = "QUILLMERE";
inline constexpr std::string_view kSettingsSection = "PLANSWEEPER";

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The stored text, or defaultText when the key is absent.
    virtual std::string GetSetting(std::string_view app, std::string_view section, std::string_view key,
                                   std::string_view defaultText) const = 0;
    virtual void SaveSetting(std::string_view app, std::string_view section, std::string_view key,
                             std::string_view text) = 0;
    // Removes the whole area of an application name; a missing area is fine.
    virtual void DeleteSetting(std::string_view app) = 0;
};

// The store where the platform's per-user application settings live:
// HKEY_CURRENT_USER\Software\VB and VBA Program Settings\<app>\<section>,
// one REG_SZ value per key. Settings an existing installation stored there
// are found.
class RegistrySettingsStore final : public SettingsStore {
public:
    explicit RegistrySettingsStore(Registry& registry) : reg_(registry) {}

    std::string GetSetting(std::string_view app, std::string_view section, std::string_view key,
                           std::string_view defaultText) const override;
    void SaveSetting(std::string_view app, std::string_view section, std::string_view key,
                     std::string_view text) override;
    void DeleteSetting(std::string_view app) override;

    static std::string AreaPath(std::string_view app);

private:
    Registry& reg_;
};

} // namespace ps
