#include "run/schedule.h"

#include "core/strings.h"

#include <cstdio>

namespace ps {
namespace {

// Reads 1 to maxDigits digits at pos.
std::optional<int> Number(std::string_view text, std::size_t& pos, std::size_t maxDigits) {
    const std::size_t start = pos;
    int n = 0;
    while (pos < text.size() && pos - start < maxDigits && text[pos] >= '0' && text[pos] <= '9')
        n = n * 10 + (text[pos++] - '0');
    return pos > start ? std::optional<int>(n) : std::nullopt;
}

bool Expect(std::string_view text, std::size_t& pos, std::string_view separators) {
    if (pos < text.size() && separators.find(text[pos]) != std::string_view::npos) {
        ++pos;
        return true;
    }
    return false;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

} // namespace

std::string FormatMinute(const LocalTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", t.year, t.month, t.day, t.hour, t.minute);
    return text;
}

std::string DefaultStartText(const LocalTime& now) {
    return FormatMinute({now.year, now.month, now.day, 13, 0});
}

std::optional<std::string> ScheduledStartOf(std::string_view answer) {
    answer = TrimBlanks(answer);
    std::size_t pos = 0;
    LocalTime t;
    const auto year = Number(answer, pos, 4);
    if (!year || pos != 4 || !Expect(answer, pos, "-/."))
        return std::nullopt;
    const auto month = Number(answer, pos, 2);
    if (!month || !Expect(answer, pos, "-/."))
        return std::nullopt;
    const auto day = Number(answer, pos, 2);
    if (!day || *month < 1 || *month > 12 || *day < 1 || *day > DaysInMonth(*year, *month) || *year < 1601)
        return std::nullopt;
    t.year = *year;
    t.month = *month;
    t.day = *day;
    if (pos < answer.size()) {
        if (!Expect(answer, pos, " T"))
            return std::nullopt;
        while (pos < answer.size() && answer[pos] == ' ')
            ++pos;
        const auto hour = Number(answer, pos, 2);
        if (!hour || !Expect(answer, pos, ":"))
            return std::nullopt;
        const auto minute = Number(answer, pos, 2);
        if (!minute || *hour > 23 || *minute > 59)
            return std::nullopt;
        if (Expect(answer, pos, ":")) {
            const auto second = Number(answer, pos, 2);
            if (!second || *second > 59)
                return std::nullopt;
        }
        if (pos != answer.size())
            return std::nullopt;
        t.hour = *hour;
        t.minute = *minute;
    }
    return FormatMinute(t);
}

bool StartIsDue(const LocalTime& now, std::string_view scheduled) {
    return FormatMinute(now) >= scheduled;
}

} // namespace ps
