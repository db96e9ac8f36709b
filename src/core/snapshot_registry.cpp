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
    : base_(base), writable_(&base) {
    for (const auto& [root, path] : keys)
        keys_.push_back({root, std::string(Trimmed(path)), base.values(root, path), std::nullopt});
}

SnapshotRegistry::SnapshotRegistry(const Registry& base) : base_(base) {}

SnapshotRegistry::Key* SnapshotRegistry::find(RegRoot root, std::string_view path) const {
    path = Trimmed(path);
    for (auto& key : keys_)
        if (key.root == root && EqualsNoCase(key.path, path))
            return &key;
    if (writable_ != nullptr)
        return nullptr;
    return &keys_.emplace_back(Key{root, std::string(path), std::nullopt, std::nullopt});
}

const SnapshotRegistry::Values* SnapshotRegistry::valuesOf(RegRoot root, std::string_view path) const {
    Key* key = find(root, path);
    if (key == nullptr)
        return nullptr;
    if (!key->values)
        key->values = base_.values(root, path);
    return &*key->values;
}

bool SnapshotRegistry::keyExists(RegRoot root, std::string_view path) const {
    if (const Values* values = valuesOf(root, path))
        return values->has_value();
    return base_.keyExists(root, path);
}

std::optional<RawRegValue> SnapshotRegistry::queryValue(RegRoot root, std::string_view path,
                                                        std::string_view name) const {
    const Values* values = valuesOf(root, path);
    if (values == nullptr)
        return base_.queryValue(root, path, name);
    if (!*values)
        return std::nullopt;
    for (const auto& [valueName, value] : **values)
        if (EqualsNoCase(valueName, name))
            return value;
    return std::nullopt;
}

bool SnapshotRegistry::setValue(RegRoot root, std::string_view path, std::string_view name,
                                const RawRegValue& value) {
    keys_.clear();
    return writable_ != nullptr && writable_->setValue(root, path, name, value);
}

bool SnapshotRegistry::deleteValue(RegRoot root, std::string_view path, std::string_view name) {
    keys_.clear();
    return writable_ != nullptr && writable_->deleteValue(root, path, name);
}

bool SnapshotRegistry::createKey(RegRoot root, std::string_view path) {
    keys_.clear();
    return writable_ != nullptr && writable_->createKey(root, path);
}

bool SnapshotRegistry::deleteKey(RegRoot root, std::string_view path) {
    keys_.clear();
    return writable_ != nullptr && writable_->deleteKey(root, path);
}

std::optional<std::vector<std::string>> SnapshotRegistry::subkeys(RegRoot root, std::string_view path) const {
    if (writable_ != nullptr)
        return base_.subkeys(root, path);
    Key* key = find(root, path);
    if (!key->subkeys)
        key->subkeys = base_.subkeys(root, path);
    return *key->subkeys;
}

std::optional<std::vector<std::pair<std::string, RawRegValue>>>
SnapshotRegistry::values(RegRoot root, std::string_view path) const {
    if (const Values* values = valuesOf(root, path))
        return *values;
    return base_.values(root, path);
}

} // namespace ps
