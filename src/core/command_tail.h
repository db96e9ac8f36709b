// The program's command tail: an optional "/nologo", then one drawing path
// in double quotes. The same rules serve the first instance's own command
// line and a tail handed over by a second start.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ps {

struct StartupCommand {
    std::string command; // what is left after the switch
    bool nologo = false; // no splash
};

// Trimmed; when its first seven characters are "/nologo" (any case), they and
// the one character after them are dropped; otherwise trimmed again.
StartupCommand ParseStartupTail(std::string_view tail);

// The drawing path of a command: longer than two characters, its first and
// last characters (the quotes) are dropped, whatever they are.
std::string StartupDrawingPath(std::string_view command);

// What a second start hands over: the command without the switch, or one
// zero byte for an empty tail (the first instance shows its window).
std::string HandOverPayload(std::string_view tail);

// Longest payload the running instance takes; anything longer is no command
// tail of ours.
inline constexpr std::size_t kMaxHandOverBytes = 32 * 1024;

// The command tail in a received payload; nullopt for one that is no command
// tail (too long, or a zero byte inside). One zero byte is the empty tail.
std::optional<std::string> ReceivedCommandTail(std::string_view payload);

} // namespace ps
