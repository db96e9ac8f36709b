#include "core/ansi_codec.h"

namespace ps {

std::optional<std::string> Latin1Codec::toAnsi(std::string_view utf8) const {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size()) {
            const auto t = static_cast<unsigned char>(utf8[++i]);
            if ((t & 0xC0) != 0x80)
                return std::nullopt;
            out.push_back(static_cast<char>(((c & 0x1F) << 6) | (t & 0x3F)));
        } else {
            return std::nullopt;
        }
    }
    return out;
}

std::string Latin1Codec::toAnsiLossy(std::string_view utf8) const {
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        std::size_t length = c < 0x80           ? 1
                             : (c >> 5) == 0x6  ? 2
                             : (c >> 4) == 0xE  ? 3
                             : (c >> 3) == 0x1E ? 4
                                                : 1;
        if (i + length > utf8.size())
            length = utf8.size() - i;
        const auto one = toAnsi(utf8.substr(i, length));
        out += one ? *one : std::string("?");
        i += length;
    }
    return out;
}

std::string Latin1Codec::fromAnsi(std::string_view ansi) const {
    std::string out;
    out.reserve(ansi.size());
    for (char ch : ansi) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out.push_back(ch);
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

} // namespace ps
