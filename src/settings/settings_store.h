// The per-user settings store: text values addressed by application name,
// section and key (key names without regard to case).
#pragma once

#include "core/registry.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

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

// Values an administrator sets for every user of the machine, with the names
// and text forms of the per-user keys. The policy key's values are defaults
// for the keys a user has no value of; the values of its subkey "Enforced"
// win over the user's own.
inline constexpr std::string_view kPolicyKey = "Software\\Policies\\QUILLMERE\\Plansweeper";
inline constexpr std::string_view kEnforcedPolicyKey = "Software\\Policies\\QUILLMERE\\Plansweeper\\Enforced";

// The keys a read of the program's settings looks at: the user's section and
// the two policy keys (for a SnapshotRegistry that reads each once).
std::vector<std::pair<RegRoot, std::string>> ProgramSettingsKeys();

// True when the administrator enforces the program setting of that key.
bool IsEnforcedByPolicy(const Registry& registry, std::string_view key);
// Where the program setting of that key comes from, for messages: the
// administrator's enforced value or default, the user's own, or the
// program's default.
std::string SettingSourceOf(const Registry& registry, std::string_view key);

// The store where the platform's per-user application settings live:
// HKEY_CURRENT_USER\Software\VB and VBA Program Settings\<app>\<section>,
// one REG_SZ value per key. Settings an existing installation stored there
// are found. The program's own settings are read through the machine's
// policies: an enforced value first, then the user's, then the policy's
// default.
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
