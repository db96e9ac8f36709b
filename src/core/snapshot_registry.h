// A registry that answers the reads of a few keys from one read of each,
// taken when it is made, and everything else from the registry below it.
// Reading a key's values one at a time costs the system a call or three
// each: the window reads its hundred settings this way at start. Any write
// goes below, and the snapshot is forgotten from then on.
#pragma once

#include "core/registry.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ps {

class SnapshotRegistry final : public Registry {
public:
    SnapshotRegistry(Registry& base, const std::vector<std::pair<RegRoot, std::string>>& keys);

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

private:
    struct Key {
        RegRoot root;
        std::string path;
        std::optional<std::vector<std::pair<std::string, RawRegValue>>> values; // nullopt: no such key
    };
    const Key* find(RegRoot root, std::string_view path) const;

    Registry& base_;
    std::vector<Key> keys_;
};

} // namespace ps
