// The one place where text changes encoding: UTF-8 inside the program,
// UTF-16 at the Win32 API, the system ANSI code page for the fixed byte
// formats (script, list file, logs, copy-data payload).
#pragma once

#include "core/ansi_codec.h"

#include <optional>
#include <string>
#include <string_view>

namespace ps {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// UTF-8 to the ANSI code page; nullopt when a character has no exact ANSI
// form (it would otherwise be written as "?" or a look-alike).
std::optional<std::string> ToAnsi(std::string_view utf8);
// UTF-8 to ANSI, best effort (for texts where a "?" harms nobody).
std::string ToAnsiLossy(std::string_view utf8);
std::string FromAnsi(std::string_view ansi);

// The system ANSI code page behind the AnsiCodec port.
class WinAnsiCodec final : public AnsiCodec {
public:
    std::optional<std::string> toAnsi(std::string_view utf8) const override { return ToAnsi(utf8); }
    std::string fromAnsi(std::string_view ansi) const override { return FromAnsi(ansi); }
    std::string toAnsiLossy(std::string_view utf8) const override { return ToAnsiLossy(utf8); }
};

// The user's list separator and decimal sign (Regional settings), as a
// spreadsheet on this desk reads a CSV file; "," and "." when unknown.
struct ListSeparators {
    std::string list = ",";
    std::string decimal = ".";
};
ListSeparators UserListSeparators();

} // namespace ps
