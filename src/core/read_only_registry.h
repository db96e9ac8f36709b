// A registry that reads through to another and refuses every write, as for
// a user without rights: what a dry run uses so that it changes nothing.
#pragma once

#include "core/registry.h"

namespace ps {

class ReadOnlyRegistry final : public Registry {
public:
    explicit ReadOnlyRegistry(const Registry& base) : base_(base) {}
    bool keyExists(RegRoot root, std::string_view path) const override { return base_.keyExists(root, path); }
    std::optional<RawRegValue> queryValue(RegRoot root, std::string_view path,
                                          std::string_view name) const override {
        return base_.queryValue(root, path, name);
    }
    bool setValue(RegRoot, std::string_view, std::string_view, const RawRegValue&) override { return false; }
    bool deleteValue(RegRoot, std::string_view, std::string_view) override { return false; }
    bool createKey(RegRoot, std::string_view) override { return false; }
    bool deleteKey(RegRoot, std::string_view) override { return false; }
    std::optional<std::vector<std::string>> subkeys(RegRoot root, std::string_view path) const override {
        return base_.subkeys(root, path);
    }
    std::optional<std::vector<std::pair<std::string, RawRegValue>>>
    values(RegRoot root, std::string_view path) const override {
        return base_.values(root, path);
    }

private:
    const Registry& base_;
};

} // namespace ps
