// Text rules shared by every layer: case folding and comparisons the way the
// Windows shell and the registry treat names. UTF-8 throughout.
#pragma once

#include <string>
#include <string_view>

namespace ps {

// Upper case of ASCII and Latin-1 letters; other characters are kept.
std::string ToUpper(std::string_view text);
std::string ToLower(std::string_view text);
// Bytes of UTF-16LE text (a byte-order mark dropped) as UTF-8; an unpaired
// surrogate becomes U+FFFD.
std::string Utf16LeToUtf8(std::string_view bytes);
// Whether output bytes are UTF-16LE rather than a code page's: a byte-order
// mark, or zero bytes at odd places as Latin text in UTF-16 has.
bool LooksLikeUtf16Le(std::string_view bytes);

// Comparison without regard to case, by the same folding as ToUpper.
bool EqualsNoCase(std::string_view a, std::string_view b);

bool StartsWith(std::string_view text, std::string_view prefix);
bool EndsWith(std::string_view text, std::string_view suffix);
bool Contains(std::string_view text, std::string_view part);
// Whether the text holds a character below 32 other than tab: no file name
// or list cell may (a NUL would cut the name wherever it is passed on).
bool HasControlCharacter(std::string_view text);

// The first n characters (bytes) of text, or all of it when shorter.
std::string_view Left(std::string_view text, std::size_t n);

std::string_view TrimBlanks(std::string_view text);

} // namespace ps
