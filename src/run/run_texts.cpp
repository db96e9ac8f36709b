#include "run/run_texts.h"

#include <algorithm>

#include "core/run_state.h"
#include "core/strings.h"

#include <cstdio>

namespace ps {

std::string FormatThousands(std::int64_t value) {
    const bool negative = value < 0;
    std::string digits = std::to_string(negative ? -value : value);
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ' ';
        out += digits[i];
    }
    return negative ? "-" + out : out;
}

std::string FormatElapsed(std::uint64_t ms) {
    const std::uint64_t seconds = ms / 1000;
    char text[48];
    std::snprintf(text, sizeof text, "%02llu:%02llu:%02llu", static_cast<unsigned long long>(seconds / 3600),
                  static_cast<unsigned long long>(seconds / 60 % 60),
                  static_cast<unsigned long long>(seconds % 60));
    return text;
}

std::int64_t CellNumber(std::string_view cell) {
    cell = TrimBlanks(cell);
    bool negative = false;
    if (!cell.empty() && (cell.front() == '-' || cell.front() == '+')) {
        negative = cell.front() == '-';
        cell.remove_prefix(1);
    }
    std::int64_t n = 0;
    for (char c : cell) {
        if (c < '0' || c > '9' || n > (std::int64_t{1} << 55))
            break;
        n = n * 10 + (c - '0');
    }
    return negative ? -n : n;
}

std::string RunningLabel(std::size_t i, std::size_t n, std::uint64_t elapsedMs) {
    return std::string(kActivityScriptRunning) + "\r\nNow running file:\r\n" + std::to_string(i) + " of " +
           std::to_string(n) + "\r\nAccumulated time: \r\n" + FormatElapsed(elapsedMs);
}

std::string TotalsText(const DrawingList& list, std::optional<std::uint64_t> elapsedMs,
                       const RunTally* tally) {
    std::int64_t before = 0;
    std::int64_t after = 0;
    std::int64_t ok = 0;
    std::vector<std::uint64_t> recorded = tally != nullptr ? tally->recorded : std::vector<std::uint64_t>();
    std::sort(recorded.begin(), recorded.end());
    std::int64_t files = 0;
    for (const auto& row : list) {
        if (tally != nullptr && !std::binary_search(recorded.begin(), recorded.end(), row.id))
            continue;
        ++files;
        if (row.cell(kColStatus) == status::kOk)
            ++ok;
        before += CellNumber(row.cell(kColSizeBefore));
        after += CellNumber(row.cell(kColSizeAfter));
    }
    std::string text = "\r\n\r\nTotal size before: \r\n" + FormatThousands(before) +
                       " KB\r\nTotal size after: \r\n" + FormatThousands(after) + " KB\r\nTotal files: \r\n" +
                       FormatThousands(files) + "\r\nTotal files OK: \r\n" + FormatThousands(ok);
    if (elapsedMs)
        text += "\r\nAccumulated time: \r\n" + FormatElapsed(*elapsedMs);
    if (tally != nullptr && tally->stopped)
        text += "\r\nRun stopped after: \r\n" +
                FormatThousands(static_cast<std::int64_t>(tally->recorded.size())) +
                (tally->recorded.size() == 1 ? " drawing" : " drawings");
    return text;
}

std::string TrustLockedMessage(std::string_view prodName, std::string_view folder) {
    return std::string(prodName) +
           " locks its trusted paths for this profile: install Plansweeper for all users, or set "
           "PROJECTAWARE to 0 in this profile. It will not load code from " +
           std::string(folder) + ".";
}

} // namespace ps
