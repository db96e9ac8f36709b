// The Windows registry behind the Registry port. Keys are opened and closed
// within each call; HKEY_LOCAL_MACHINE is opened in the view its RegRoot names,
// whichever build of the program asks.
#pragma once

#include "core/registry.h"

namespace ps {

class WinRegistry final : public Registry {
public:
    bool keyExists(RegRoot root, std::string_view path) const override;
    std::optional<RawRegValue> queryValue(RegRoot root, std::string_view path,
                                          std::string_view name) const override;
    bool setValue(RegRoot root, std::string_view path, std::string_view name,
                  const RawRegValue& value) override;
    bool deleteValue(RegRoot root, std::string_view path, std::string_view name) override;
    bool createKey(RegRoot root, std::string_view path) override;
    bool deleteKey(RegRoot root, std::string_view path) override;
    std::optional<std::vector<std::string>> subkeys(RegRoot root, std::string_view path) const override;
    std::optional<std::vector<std::pair<std::string, RawRegValue>>>
    values(RegRoot root, std::string_view path) const override;
};

} // namespace ps
