#include "core/registry.h"

#include <string>

namespace ps {

bool DeleteRegTree(Registry& reg, RegRoot root, std::string_view path) {
    if (path.empty())
        return false;
    if (auto names = reg.subkeys(root, path)) {
        std::string base(path);
        if (base.back() != '\\')
            base += '\\';
        for (const auto& name : *names)
            DeleteRegTree(reg, root, base + name);
    }
    return reg.deleteKey(root, path);
}

RawRegValue RegSzValue(std::string_view text) {
    RawRegValue v{kRegSz, std::vector<std::uint8_t>(text.begin(), text.end())};
    v.data.push_back(0);
    return v;
}

RawRegValue RegDwordValue(std::uint32_t number) {
    return RawRegValue{kRegDword,
                       {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
                        static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)}};
}

} // namespace ps
