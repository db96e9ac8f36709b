// The Windows registry behind the Registry port. Keys are opened and closed
// within each call; the program's 64-bit build sees the 64-bit view, where
// AutoCAD registers.
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
};

} // namespace ps
