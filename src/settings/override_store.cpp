#include "settings/override_store.h"

#include "core/strings.h"
#include "settings/settings_keys.h"

namespace ps {

bool OverrideSettingsStore::setOverride(std::string_view key, std::string_view value) {
    const SettingKey* known = FindSettingKey(key);
    if (known == nullptr)
        return false;
    overrides_[ToUpper(known->name)] = std::string(value);
    return true;
}

std::string OverrideSettingsStore::GetSetting(std::string_view app, std::string_view section,
                                              std::string_view key, std::string_view defaultText) const {
    if (app == kSettingsApp && section == kSettingsSection) {
        const auto it = overrides_.find(ToUpper(key));
        if (it != overrides_.end())
            return it->second;
    }
    return base_.GetSetting(app, section, key, defaultText);
}

void OverrideSettingsStore::SaveSetting(std::string_view app, std::string_view section, std::string_view key,
                                        std::string_view text) {
    if (app == kSettingsApp && section == kSettingsSection && overrides_.count(ToUpper(key)) != 0)
        return;
    base_.SaveSetting(app, section, key, text);
}

} // namespace ps
