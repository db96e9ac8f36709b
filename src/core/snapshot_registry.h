// A registry that answers the reads of a few keys from one read of each,
// taken when it is made, and everything else from the registry below it.
// Reading a key's values one at a time costs the system a call or three
// each: the window reads its hundred settings this way at start. Any write
// goes below, and the snapshot is forgotten from then on.
// Made over a read-only registry, it learns instead: every key is read whole
// when first asked about (its values, or its subkeys) and answered from
// memory after that, so that walks over a tree of keys read each key once.
// Writes to it fail.
#pragma once

#include "core/registry.h"

#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ps {

class SnapshotRegistry final : public Registry {
public:
    SnapshotRegistry(Registry& base, const std::vector<std::pair<RegRoot, std::string>>& keys);
    explicit SnapshotRegistry(const Registry& base);

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
    using Values = std::optional<std::vector<std::pair<std::string, RawRegValue>>>; // nullopt: no such key
    using Names = std::optional<std::vector<std::string>>;
    struct Key {
        RegRoot root;
        std::string path;
        std::optional<Values> values; // nullopt: not read
        std::optional<Names> subkeys;
    };
    Key* find(RegRoot root, std::string_view path) const;
    // The key's values as read; nullptr when they go below.
    const Values* valuesOf(RegRoot root, std::string_view path) const;

    const Registry& base_;
    Registry* writable_ = nullptr;
    mutable std::deque<Key> keys_; // learning adds keys; their addresses stay
};

} // namespace ps
