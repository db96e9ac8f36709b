// Stored settings with some keys overridden for one run only: every read of
// an overridden key gives the override; nothing is ever written for it.
#pragma once

#include "settings/settings_store.h"

#include <map>
#include <string>

namespace ps {

class OverrideSettingsStore final : public SettingsStore {
public:
    explicit OverrideSettingsStore(SettingsStore& base) : base_(base) {}

    // False for a key that is not a settings key (names without regard to case).
    bool setOverride(std::string_view key, std::string_view value);

    std::string GetSetting(std::string_view app, std::string_view section, std::string_view key,
                           std::string_view defaultText) const override;
    void SaveSetting(std::string_view app, std::string_view section, std::string_view key,
                     std::string_view text) override;
    void DeleteSetting(std::string_view app) override { base_.DeleteSetting(app); }

private:
    SettingsStore& base_;
    std::map<std::string, std::string> overrides_; // by upper-cased key
};

} // namespace ps
