#include "settings/settings_store.h"

#include "acad/registry_helpers.h"
#include "core/strings.h"

#include <optional>

namespace ps {
namespace {

std::string SectionPath(std::string_view app, std::string_view section) {
    return RegistrySettingsStore::AreaPath(app) + "\\" + std::string(section);
}

bool IsProgramSection(std::string_view app, std::string_view section) {
    return EqualsNoCase(app, kSettingsApp) && EqualsNoCase(section, kSettingsSection);
}

std::optional<std::string> PolicyValue(const Registry& reg, std::string_view path, std::string_view key) {
    const auto value = ReadRegValue(reg, RegRoot::LocalMachine, path, key);
    if (std::holds_alternative<std::monostate>(value))
        return std::nullopt;
    return RegText(value);
}

} // namespace

std::vector<std::pair<RegRoot, std::string>> ProgramSettingsKeys() {
    return {{RegRoot::CurrentUser, SectionPath(kSettingsApp, kSettingsSection)},
            {RegRoot::LocalMachine, std::string(kPolicyKey)},
            {RegRoot::LocalMachine, std::string(kEnforcedPolicyKey)}};
}

bool IsEnforcedByPolicy(const Registry& registry, std::string_view key) {
    return PolicyValue(registry, kEnforcedPolicyKey, key).has_value();
}

std::string SettingSourceOf(const Registry& registry, std::string_view key) {
    if (IsEnforcedByPolicy(registry, key))
        return "enforced by the administrator in HKEY_LOCAL_MACHINE\\" + std::string(kEnforcedPolicyKey);
    if (!std::holds_alternative<std::monostate>(
            ReadRegValue(registry, RegRoot::CurrentUser, SectionPath(kSettingsApp, kSettingsSection), key)))
        return "the user's settings in HKEY_CURRENT_USER\\" + SectionPath(kSettingsApp, kSettingsSection);
    if (PolicyValue(registry, kPolicyKey, key))
        return "the administrator's default in HKEY_LOCAL_MACHINE\\" + std::string(kPolicyKey);
    return "the program's default";
}

std::string RegistrySettingsStore::AreaPath(std::string_view app) {
    return "Software\\VB and VBA Program Settings\\" + std::string(app);
}

std::string RegistrySettingsStore::GetSetting(std::string_view app, std::string_view section,
                                              std::string_view key, std::string_view defaultText) const {
    // One look for the policy key: most machines have none.
    const bool program = IsProgramSection(app, section) && reg_.keyExists(RegRoot::LocalMachine, kPolicyKey);
    if (program)
        if (auto enforced = PolicyValue(reg_, kEnforcedPolicyKey, key))
            return *enforced;
    const auto value = ReadRegValue(reg_, RegRoot::CurrentUser, SectionPath(app, section), key);
    if (!std::holds_alternative<std::monostate>(value))
        return RegText(value);
    if (program)
        if (auto fallback = PolicyValue(reg_, kPolicyKey, key))
            return *fallback;
    return std::string(defaultText);
}

void RegistrySettingsStore::SaveSetting(std::string_view app, std::string_view section, std::string_view key,
                                        std::string_view text) {
    const auto path = SectionPath(app, section);
    // An enforced value is never written over the user's own, and the
    // office's default is not copied into a user who has none: a later change
    // of the policy reaches every desk.
    if (IsProgramSection(app, section) && reg_.keyExists(RegRoot::LocalMachine, kPolicyKey)) {
        if (IsEnforcedByPolicy(reg_, key))
            return;
        const bool userHasOne =
            !std::holds_alternative<std::monostate>(ReadRegValue(reg_, RegRoot::CurrentUser, path, key));
        if (!userHasOne && PolicyValue(reg_, kPolicyKey, key) == text)
            return;
    }
    reg_.createKey(RegRoot::CurrentUser, path);
    reg_.setValue(RegRoot::CurrentUser, path, key, RegSzValue(text));
}

void RegistrySettingsStore::DeleteSetting(std::string_view app) {
    DeleteRegTree(reg_, RegRoot::CurrentUser, AreaPath(app));
}

} // namespace ps
