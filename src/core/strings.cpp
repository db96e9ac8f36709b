#include "core/strings.h"

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

} // namespace ps
