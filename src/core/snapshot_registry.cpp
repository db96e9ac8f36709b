#include "core/snapshot_registry.h"

#include "core/strings.h"

namespace ps {
namespace {

std::string_view Trimmed(std::string_view path) {
    while (!path.empty() && path.back() == '\\')
        path.remove_suffix(1);
    return path;
}

} // namespace

SnapshotRegistry::SnapshotRegistry(Registry& base, const std::vector<std::pair<RegRoot, std::string>>& keys)
    : base_(base) {
    for (const auto& [root, path] : keys)
        keys_.push_back({root, std::string(Trimmed(path)), base.values(root, path)});
}

const SnapshotRegistry::Key* SnapshotRegistry::find(RegRoot root, std::string_view path) const {
    path = Trimmed(path);
    for (const auto& key : keys_)
        if (key.root == root && EqualsNoCase(key.path, path))
            return &key;
    return nullptr;
}

bool SnapshotRegistry::keyExists(RegRoot root, std::string_view path) const {
    if (const Key* key = find(root, path))
        return key->values.has_value();
    return base_.keyExists(root, path);
}

std::optional<RawRegValue> SnapshotRegistry::queryValue(RegRoot root, std::string_view path,
                                                        std::string_view name) const {
    const Key* key = find(root, path);
    if (key == nullptr)
        return base_.queryValue(root, path, name);
    if (!key->values)
        return std::nullopt;
    for (const auto& [valueName, value] : *key->values)
        if (EqualsNoCase(valueName, name))
            return value;
    return std::nullopt;
}

bool SnapshotRegistry::setValue(RegRoot root, std::string_view path, std::string_view name,
                                const RawRegValue& value) {
    keys_.clear();
    return base_.setValue(root, path, name, value);
}

bool SnapshotRegistry::deleteValue(RegRoot root, std::string_view path, std::string_view name) {
    keys_.clear();
    return base_.deleteValue(root, path, name);
}

bool SnapshotRegistry::createKey(RegRoot root, std::string_view path) {
    keys_.clear();
    return base_.createKey(root, path);
}

bool SnapshotRegistry::deleteKey(RegRoot root, std::string_view path) {
    keys_.clear();
    return base_.deleteKey(root, path);
}

std::optional<std::vector<std::string>> SnapshotRegistry::subkeys(RegRoot root, std::string_view path) const {
    return base_.subkeys(root, path);
}

std::optional<std::vector<std::pair<std::string, RawRegValue>>>
SnapshotRegistry::values(RegRoot root, std::string_view path) const {
    if (const Key* key = find(root, path))
        return key->values;
    return base_.values(root, path);
}

} // namespace ps
