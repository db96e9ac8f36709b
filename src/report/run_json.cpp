#include "report/run_json.h"

#include "drawinglist/status.h"
#include "report/run_report.h"

#include <charconv>
#include <cstdio>

namespace ps {
namespace {

// A number cell as a JSON number, or null when it holds none.
std::string NumberOrNull(const std::string& cell) {
    const auto value = SizeCellNumber(cell);
    return value ? std::to_string(*value) : "null";
}

std::string TextOrNull(const std::string& text) {
    return text.empty() ? "null" : JsonText(text);
}

std::string TotalsObject(const std::string& totals) {
    std::string out = "{";
    for (const auto& [label, value] : TotalsPairs(totals))
        out += (out.size() > 1 ? ", " : "") + JsonText(label) + ": " + JsonText(value);
    return out + "}";
}

} // namespace

std::optional<long> SizeCellNumber(std::string_view cell) {
    long value = 0;
    const auto [end, error] = std::from_chars(cell.data(), cell.data() + cell.size(), value);
    if (error != std::errc() || end != cell.data() + cell.size() || cell.empty() || value < 0)
        return std::nullopt;
    return value;
}

std::string RunJson(const DrawingList& list, const std::string& created, const std::string& totals,
                    const std::map<std::uint64_t, RowDetails>& details) {
    std::string out = "{\n  \"created\": " + JsonText(created) + ",\n  \"totals\": " + TotalsObject(totals) +
                      ",\n  \"drawings\": [";
    for (std::size_t i = 0; i < list.size(); ++i) {
        const DrawingRow& row = list[i];
        const auto found = details.find(row.id);
        const RowDetails* d = found == details.end() ? nullptr : &found->second;
        const std::string& status = row.cell(kColStatus);
        char seconds[32] = "null";
        if (d != nullptr && d->seconds > 0)
            std::snprintf(seconds, sizeof seconds, "%.1f", d->seconds);
        out += std::string(i == 0 ? "\n" : ",\n") + "    {\"name\": " + JsonText(row.cell(kColFilename)) +
               ", \"folder\": " + JsonText(row.cell(kColPath)) + ", \"status\": " + JsonText(status) +
               ", \"failed\": " + (IsFailure(status) ? "true" : "false") +
               ", \"version_before\": " + TextOrNull(d != nullptr ? d->versionBefore : std::string()) +
               ", \"version_after\": " + TextOrNull(row.cell(kColVersion)) +
               ", \"size_before_kb\": " + NumberOrNull(row.cell(kColSizeBefore)) +
               ", \"size_after_kb\": " + NumberOrNull(row.cell(kColSizeAfter)) + ", \"seconds\": " + seconds +
               // AutoCAD's audit counts are not recorded yet.
               ", \"audit_errors_found\": null, \"audit_errors_fixed\": null, " +
               CleaningFactsJsonMembers(d != nullptr && d->facts ? &*d->facts : nullptr) +
               ", \"log\": " + TextOrNull(d != nullptr ? d->log : std::string()) + "}";
    }
    return out + (list.size() > 0 ? "\n  ]\n}\n" : "]\n}\n");
}

} // namespace ps
