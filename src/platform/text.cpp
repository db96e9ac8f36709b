#include "platform/text.h"

#include <windows.h>

#include <climits>

namespace ps {
namespace {

int Length(std::size_t n) {
    return n > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(n);
}

std::wstring ToWide(UINT codePage, std::string_view text) {
    if (text.empty())
        return {};
    const int n = MultiByteToWideChar(codePage, 0, text.data(), Length(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        MultiByteToWideChar(codePage, 0, text.data(), Length(text.size()), out.data(), n);
    return out;
}

std::string FromWide(UINT codePage, std::wstring_view text, DWORD flags, BOOL* usedDefault) {
    if (text.empty())
        return {};
    const int n = WideCharToMultiByte(codePage, flags, text.data(), Length(text.size()), nullptr, 0, nullptr,
                                      usedDefault);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(codePage, flags, text.data(), Length(text.size()), out.data(), n, nullptr,
                            usedDefault);
    return out;
}

} // namespace

std::wstring Widen(std::string_view utf8) {
    return ToWide(CP_UTF8, utf8);
}

std::string Narrow(std::wstring_view utf16) {
    return FromWide(CP_UTF8, utf16, 0, nullptr);
}

std::optional<std::string> ToAnsi(std::string_view utf8) {
    const std::wstring wide = Widen(utf8);
    BOOL usedDefault = FALSE;
    std::string ansi = FromWide(CP_ACP, wide, WC_NO_BEST_FIT_CHARS, &usedDefault);
    if (usedDefault)
        return std::nullopt;
    return ansi;
}

std::string ToAnsiLossy(std::string_view utf8) {
    return FromWide(CP_ACP, Widen(utf8), 0, nullptr);
}

std::string FromAnsi(std::string_view ansi) {
    return Narrow(ToWide(CP_ACP, ansi));
}

ListSeparators UserListSeparators() {
    ListSeparators s;
    wchar_t text[8] = {};
    if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SLIST, text, 8) > 1)
        s.list = Narrow(text);
    if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, text, 8) > 1)
        s.decimal = Narrow(text);
    return s;
}

} // namespace ps
