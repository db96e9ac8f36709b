#include "core/strings.h"

#include <algorithm>
#include <cstdint>

namespace ps {
namespace {

// Two-byte UTF-8 sequences for U+00C0..U+00FF start with 0xC3; the second byte
// of a lower-case letter is 0xA0..0xBE (except 0xB7, the division sign) and
// its upper-case partner is 0x20 lower.
bool IsLatin1LowerTail(unsigned char c) {
    return c >= 0xA0 && c <= 0xBE && c != 0xB7;
}
bool IsLatin1UpperTail(unsigned char c) {
    return c >= 0x80 && c <= 0x9E && c != 0x97;
}

template <bool Upper> std::string FoldCase(std::string_view text) {
    std::string out(text);
    for (std::size_t i = 0; i < out.size(); ++i) {
        auto c = static_cast<unsigned char>(out[i]);
        if (c < 0x80) {
            if (Upper && c >= 'a' && c <= 'z')
                out[i] = static_cast<char>(c - 0x20);
            else if (!Upper && c >= 'A' && c <= 'Z')
                out[i] = static_cast<char>(c + 0x20);
        } else if (c == 0xC3 && i + 1 < out.size()) {
            auto t = static_cast<unsigned char>(out[i + 1]);
            if (Upper && IsLatin1LowerTail(t))
                out[i + 1] = static_cast<char>(t - 0x20);
            else if (!Upper && IsLatin1UpperTail(t))
                out[i + 1] = static_cast<char>(t + 0x20);
            ++i;
        }
    }
    return out;
}

} // namespace

std::string ToUpper(std::string_view text) {
    return FoldCase<true>(text);
}
std::string ToLower(std::string_view text) {
    return FoldCase<false>(text);
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && ToUpper(a) == ToUpper(b);
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool EndsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

bool HasControlCharacter(std::string_view text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) < 32 && c != '\t')
            return true;
    return false;
}

std::string_view Left(std::string_view text, std::size_t n) {
    return text.substr(0, n);
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

std::string Utf16LeToUtf8(std::string_view bytes) {
    std::size_t at = bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE' ? 2 : 0;
    const auto unit = [&bytes](std::size_t i) {
        return static_cast<unsigned>(static_cast<unsigned char>(bytes[i])) |
               static_cast<unsigned>(static_cast<unsigned char>(bytes[i + 1])) << 8;
    };
    std::string out;
    out.reserve(bytes.size() / 2);
    while (at + 1 < bytes.size()) {
        unsigned c = unit(at);
        at += 2;
        if (c >= 0xD800 && c <= 0xDBFF && at + 1 < bytes.size() && unit(at) >= 0xDC00 && unit(at) <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unit(at) - 0xDC00);
            at += 2;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | c >> 12);
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | c >> 18);
            out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

bool LooksLikeUtf16Le(std::string_view bytes) {
    if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE')
        return true;
    const std::size_t n = std::min<std::size_t>(bytes.size() & ~std::size_t{1}, 512);
    std::size_t zeros = 0;
    for (std::size_t i = 1; i < n; i += 2)
        zeros += bytes[i] == '\0' ? 1 : 0;
    return n >= 8 && zeros * 4 >= n; // at least half the odd bytes
}

} // namespace ps
