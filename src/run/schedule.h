// The scheduled start: the answer typed into the Start command's input box,
// and the timer's test whether the minute has come. Times are local
// "YYYY-MM-DD HH:MM" texts, which compare as text in time order.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ps {

struct LocalTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0;
};

// "YYYY-MM-DD HH:MM".
std::string FormatMinute(const LocalTime& t);
// The input box's default: today followed by " 13:00".
std::string DefaultStartText(const LocalTime& now);
// The answer as "YYYY-MM-DD HH:MM" when it is a valid date and time
// ("YYYY-MM-DD HH:MM", seconds allowed, or a date alone for its midnight;
// "/" and "." also separate the date); nullopt otherwise.
std::optional<std::string> ScheduledStartOf(std::string_view answer);
// Whether the scheduled minute has come (text comparison).
bool StartIsDue(const LocalTime& now, std::string_view scheduled);

} // namespace ps
