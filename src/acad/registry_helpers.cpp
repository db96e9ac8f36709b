#include "acad/registry_helpers.h"

#include <optional>

namespace ps {
namespace {

// A string value's data without its terminating nulls: one for REG_SZ and
// REG_EXPAND_SZ, two for REG_MULTI_SZ. A value stored with size 0 (or without
// its terminator) reads as what it holds rather than failing.
std::string StringData(const RawRegValue& raw, std::size_t terminators) {
    std::size_t size = raw.data.size();
    while (terminators > 0 && size > 0 && raw.data[size - 1] == 0) {
        --size;
        --terminators;
    }
    return std::string(raw.data.begin(), raw.data.begin() + static_cast<std::ptrdiff_t>(size));
}

std::int32_t DwordData(const RawRegValue& raw) {
    std::uint32_t n = 0;
    for (std::size_t i = 0; i < 4 && i < raw.data.size(); ++i)
        n |= static_cast<std::uint32_t>(raw.data[i]) << (8 * i);
    return static_cast<std::int32_t>(n);
}

} // namespace

RegVariant ReadRegValue(const Registry& reg, RegRoot root, std::string_view path, std::string_view name,
                        const RegVariant& defaultValue) {
    const auto raw = reg.queryValue(root, path, name);
    if (!raw)
        return defaultValue;
    switch (raw->type) {
    case kRegSz:
    case kRegExpandSz:
        return StringData(*raw, 1);
    case kRegMultiSz:
        return StringData(*raw, 2);
    case kRegBinary:
        return raw->data;
    case kRegDword:
        return DwordData(*raw);
    default:
        return defaultValue;
    }
}

bool WriteRegValue(Registry& reg, RegRoot root, std::string_view path, std::string_view name,
                   const RegVariant& value) {
    struct Encode {
        std::optional<RawRegValue> operator()(std::monostate) const { return std::nullopt; }
        std::optional<RawRegValue> operator()(std::int16_t n) const {
            return RegDwordValue(static_cast<std::uint32_t>(static_cast<std::int32_t>(n)));
        }
        std::optional<RawRegValue> operator()(std::int32_t n) const {
            return RegDwordValue(static_cast<std::uint32_t>(n));
        }
        std::optional<RawRegValue> operator()(const std::string& s) const { return RegSzValue(s); }
        std::optional<RawRegValue> operator()(const std::vector<std::uint8_t>& b) const {
            return RawRegValue{kRegBinary, b};
        }
    };
    const auto raw = std::visit(Encode{}, value);
    if (!raw)
        return reg.keyExists(root, path);
    return reg.setValue(root, path, name, *raw);
}

std::vector<std::string> EnumRegSubkeys(const Registry& reg, RegRoot root, std::string_view path) {
    auto names = reg.subkeys(root, path);
    if (!names)
        return {};
    for (auto& n : *names) {
        const auto nul = n.find('\0');
        if (nul != std::string::npos)
            n.resize(nul);
    }
    return std::move(*names);
}

void CreateRegKeyValue(Registry& reg, RegRoot root, std::string_view path, std::string_view name,
                       std::string_view text) {
    if (reg.createKey(root, path))
        reg.setValue(root, path, name, RegSzValue(text));
}

void DeleteRegKey(Registry& reg, RegRoot root, std::string_view path) {
    reg.deleteKey(root, path);
}

std::string RegText(const RegVariant& value) {
    struct Text {
        std::string operator()(std::monostate) const { return {}; }
        std::string operator()(std::int16_t n) const { return std::to_string(n); }
        std::string operator()(std::int32_t n) const { return std::to_string(n); }
        std::string operator()(const std::string& s) const { return s; }
        std::string operator()(const std::vector<std::uint8_t>& b) const {
            return std::string(b.begin(), b.end());
        }
    };
    return std::visit(Text{}, value);
}

void DeleteRegTreeAndEmptyParents(Registry& reg, RegRoot root, std::string_view path,
                                  std::string_view stopAt) {
    DeleteRegTree(reg, root, path);
    std::string key(path);
    for (auto cut = key.rfind('\\'); cut != std::string::npos && key.size() > stopAt.size();
         cut = key.rfind('\\')) {
        key.resize(cut);
        if (key.size() <= stopAt.size())
            break;
        const auto children = reg.subkeys(root, key);
        if (!children || !children->empty() || reg.queryValue(root, key, ""))
            break;
        if (!reg.deleteKey(root, key))
            break;
    }
}

} // namespace ps
