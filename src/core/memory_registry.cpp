#include "core/memory_registry.h"

#include "core/strings.h"

#include <algorithm>

namespace ps {

struct MemoryRegistry::Key {
    std::string name;
    std::vector<std::unique_ptr<Key>> children; // sorted by upper-cased name
    std::vector<std::pair<std::string, RawRegValue>> values;

    Key* child(std::string_view childName) const {
        for (const auto& c : children)
            if (EqualsNoCase(c->name, childName))
                return c.get();
        return nullptr;
    }

    Key* addChild(std::string_view childName) {
        auto key = std::make_unique<Key>();
        key->name = std::string(childName);
        const std::string upper = ToUpper(childName);
        auto at = std::find_if(children.begin(), children.end(),
                               [&](const std::unique_ptr<Key>& c) { return ToUpper(c->name) > upper; });
        return children.insert(at, std::move(key))->get();
    }

    std::pair<std::string, RawRegValue>* value(std::string_view valueName) {
        for (auto& v : values)
            if (EqualsNoCase(v.first, valueName))
                return &v;
        return nullptr;
    }
};

namespace {

// The parts of a key path. One trailing separator is allowed, as the Windows
// registry allows it; an empty part anywhere else makes the path invalid.
std::optional<std::vector<std::string_view>> SplitPath(std::string_view path) {
    std::vector<std::string_view> parts;
    if (path.empty())
        return parts;
    while (true) {
        const auto cut = path.find('\\');
        const auto part = path.substr(0, cut);
        const bool last = cut == std::string_view::npos || cut + 1 == path.size();
        if (part.empty())
            return std::nullopt;
        parts.push_back(part);
        if (last)
            return parts;
        path.remove_prefix(cut + 1);
    }
}

std::size_t Index(RegRoot root) {
    return static_cast<std::size_t>(root);
}

} // namespace

MemoryRegistry::MemoryRegistry() {
    for (auto& r : roots_)
        r = std::make_unique<Key>();
}

MemoryRegistry::~MemoryRegistry() = default;

MemoryRegistry::Key* MemoryRegistry::find(RegRoot root, std::string_view path) const {
    const auto parts = SplitPath(path);
    if (!parts)
        return nullptr;
    Key* key = roots_[Index(root)].get();
    for (auto part : *parts) {
        key = key->child(part);
        if (key == nullptr)
            return nullptr;
    }
    return key;
}

bool MemoryRegistry::keyExists(RegRoot root, std::string_view path) const {
    return find(root, path) != nullptr;
}

std::optional<RawRegValue> MemoryRegistry::queryValue(RegRoot root, std::string_view path,
                                                      std::string_view name) const {
    Key* key = find(root, path);
    if (key == nullptr)
        return std::nullopt;
    auto* v = key->value(name);
    if (v == nullptr)
        return std::nullopt;
    return v->second;
}

std::optional<std::vector<std::pair<std::string, RawRegValue>>>
MemoryRegistry::values(RegRoot root, std::string_view path) const {
    Key* key = find(root, path);
    if (key == nullptr)
        return std::nullopt;
    return key->values;
}

namespace {
std::string LockName(RegRoot root, std::string_view path, std::string_view name) {
    return std::to_string(Index(root)) + "|" + ToUpper(path) + "|" + ToUpper(name);
}
} // namespace

bool MemoryRegistry::setValue(RegRoot root, std::string_view path, std::string_view name,
                              const RawRegValue& value) {
    Key* key = find(root, path);
    if (key == nullptr || readOnly_[Index(root)] ||
        std::find(locked_.begin(), locked_.end(), LockName(root, path, name)) != locked_.end())
        return false;
    if (auto* v = key->value(name))
        v->second = value;
    else
        key->values.emplace_back(std::string(name), value);
    return true;
}

bool MemoryRegistry::deleteValue(RegRoot root, std::string_view path, std::string_view name) {
    Key* key = find(root, path);
    if (key == nullptr || readOnly_[Index(root)])
        return false;
    auto it = std::find_if(key->values.begin(), key->values.end(),
                           [&](const auto& v) { return EqualsNoCase(v.first, name); });
    if (it == key->values.end())
        return false;
    key->values.erase(it);
    return true;
}

bool MemoryRegistry::createKey(RegRoot root, std::string_view path) {
    const auto parts = SplitPath(path);
    if (!parts)
        return false;
    Key* key = roots_[Index(root)].get();
    for (auto part : *parts) {
        Key* next = key->child(part);
        if (next == nullptr) {
            if (readOnly_[Index(root)])
                return false;
            next = key->addChild(part);
        }
        key = next;
    }
    return true;
}

bool MemoryRegistry::deleteKey(RegRoot root, std::string_view path) {
    const auto parts = SplitPath(path);
    if (!parts || parts->empty() || readOnly_[Index(root)])
        return false;
    Key* parent = roots_[Index(root)].get();
    for (std::size_t i = 0; i + 1 < parts->size(); ++i) {
        parent = parent->child((*parts)[i]);
        if (parent == nullptr)
            return false;
    }
    auto it = std::find_if(parent->children.begin(), parent->children.end(),
                           [&](const auto& c) { return EqualsNoCase(c->name, parts->back()); });
    if (it == parent->children.end() || !(*it)->children.empty())
        return false;
    parent->children.erase(it);
    return true;
}

std::optional<std::vector<std::string>> MemoryRegistry::subkeys(RegRoot root, std::string_view path) const {
    Key* key = find(root, path);
    if (key == nullptr)
        return std::nullopt;
    std::vector<std::string> names;
    names.reserve(key->children.size());
    for (const auto& c : key->children)
        names.push_back(c->name);
    return names;
}

void MemoryRegistry::put(RegRoot root, std::string_view path, std::string_view name,
                         const RawRegValue& value) {
    const bool ro = readOnly_[Index(root)];
    readOnly_[Index(root)] = false;
    createKey(root, path);
    setValue(root, path, name, value);
    readOnly_[Index(root)] = ro;
}

void MemoryRegistry::putString(RegRoot root, std::string_view path, std::string_view name,
                               std::string_view text) {
    put(root, path, name, RegSzValue(text));
}

void MemoryRegistry::putDword(RegRoot root, std::string_view path, std::string_view name,
                              std::uint32_t number) {
    put(root, path, name, RegDwordValue(number));
}

void MemoryRegistry::setReadOnly(RegRoot root, bool readOnly) {
    readOnly_[Index(root)] = readOnly;
}

void MemoryRegistry::lockValue(RegRoot root, std::string_view path, std::string_view name) {
    locked_.push_back(LockName(root, path, name));
}

} // namespace ps
