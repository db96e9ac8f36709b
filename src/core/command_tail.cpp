#include "core/command_tail.h"

#include "core/strings.h"

namespace ps {

StartupCommand ParseStartupTail(std::string_view tail) {
    StartupCommand result;
    const std::string_view trimmed = TrimBlanks(tail);
    if (ToLower(trimmed.substr(0, 7)) == "/nologo") {
        result.nologo = true;
        result.command = trimmed.size() > 8 ? std::string(trimmed.substr(8)) : std::string();
    } else {
        result.command = std::string(TrimBlanks(trimmed));
    }
    return result;
}

std::string StartupDrawingPath(std::string_view command) {
    command = TrimBlanks(command);
    if (command.starts_with('"'))
        command.remove_prefix(1);
    if (command.ends_with('"'))
        command.remove_suffix(1);
    return std::string(command);
}

std::string HandOverPayload(std::string_view tail) {
    if (tail.empty())
        return std::string(1, '\0');
    return ParseStartupTail(tail).command;
}

std::optional<std::string> ReceivedCommandTail(std::string_view payload) {
    if (payload == std::string_view("\0", 1))
        return std::string();
    if (payload.size() > kMaxHandOverBytes || payload.find('\0') != std::string_view::npos)
        return std::nullopt;
    return std::string(payload);
}

} // namespace ps
