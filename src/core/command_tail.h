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

// The drawing path of a command, in double quotes or without them (typed
// in a console or a shortcut): a quote that opens or closes it is dropped.
std::string StartupDrawingPath(std::string_view command);

// WM_COPYDATA's dwData for a hand-over: the payload as UTF-16, so that a name
// outside the ANSI code page arrives whole. 0 is the ANSI payload of earlier
// versions, still taken.
inline constexpr unsigned long kHandOverUtf16 = 1;

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
