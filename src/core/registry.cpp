#include "core/registry.h"

namespace ps {

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
