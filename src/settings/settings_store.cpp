#include "settings/settings_store.h"

#include "acad/registry_helpers.h"

namespace ps {
namespace {

std::string SectionPath(std::string_view app, std::string_view section) {
    return RegistrySettingsStore::AreaPath(app) + "\\" + std::string(section);
}

} // namespace

std::string RegistrySettingsStore::AreaPath(std::string_view app) {
    return "Software\\VB and VBA Program Settings\\" + std::string(app);
}

std::string RegistrySettingsStore::GetSetting(std::string_view app, std::string_view section,
                                              std::string_view key, std::string_view defaultText) const {
    const auto value = ReadRegValue(reg_, RegRoot::CurrentUser, SectionPath(app, section), key);
    if (std::holds_alternative<std::monostate>(value))
        return std::string(defaultText);
    return RegText(value);
}

void RegistrySettingsStore::SaveSetting(std::string_view app, std::string_view section, std::string_view key,
                                        std::string_view text) {
    const auto path = SectionPath(app, section);
    reg_.createKey(RegRoot::CurrentUser, path);
    reg_.setValue(RegRoot::CurrentUser, path, key, RegSzValue(text));
}

void RegistrySettingsStore::DeleteSetting(std::string_view app) {
    DeleteRegTree(reg_, RegRoot::CurrentUser, AreaPath(app));
}

} // namespace ps
