// The system ANSI code page, used for the fixed byte formats (script file,
// list file, logs). A port, so the logic can be tested without Windows.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ps {

class AnsiCodec {
public:
    virtual ~AnsiCodec() = default;
    // nullopt when a character has no exact form in the code page.
    virtual std::optional<std::string> toAnsi(std::string_view utf8) const = 0;
    virtual std::string fromAnsi(std::string_view ansi) const = 0;
    // Best effort, for logs: characters without a form become "?".
    virtual std::string toAnsiLossy(std::string_view utf8) const = 0;
};

// ISO 8859-1 (Latin-1): a stand-in for the Western European code page in
// tests. Characters above U+00FF have no form.
class Latin1Codec final : public AnsiCodec {
public:
    std::optional<std::string> toAnsi(std::string_view utf8) const override;
    std::string fromAnsi(std::string_view ansi) const override;
    std::string toAnsiLossy(std::string_view utf8) const override;
};

} // namespace ps
