#include "report/run_csv.h"

#include "drawinglist/status.h"

#include <cstdio>

namespace ps {
namespace {

constexpr const char* kPurgedKinds[] = {"blocks",      "layers",           "linetypes",
                                        "text_styles", "dimension_styles", "regapps"};

std::string Joined(const std::vector<std::string>& names) {
    std::string out;
    for (const auto& n : names)
        out += (out.empty() ? "" : "; ") + n;
    return out;
}

// A whole number of a cell, or nothing.
std::string WholeNumber(const std::string& cell) {
    const auto value = SizeCellNumber(cell);
    return value ? std::to_string(*value) : std::string();
}

} // namespace

std::string CsvField(std::string_view text, std::string_view separator, bool number) {
    std::string value(text);
    if (!number && !value.empty() &&
        (value[0] == '=' || value[0] == '+' || value[0] == '-' || value[0] == '@'))
        value.insert(value.begin(), '\'');
    const bool quote = value.find(separator) != std::string::npos ||
                       value.find_first_of("\"\r\n") != std::string::npos ||
                       (!value.empty() && (value.front() == ' ' || value.back() == ' '));
    if (!quote)
        return value;
    std::string out = "\"";
    for (char c : value)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

std::string RunCsv(const DrawingList& list, const std::map<std::uint64_t, RowDetails>& details,
                   const CsvConventions& c) {
    const std::string& sep = c.listSeparator;
    std::string out = "\xEF\xBB\xBF";
    const auto line = [&](const std::vector<std::pair<std::string, bool>>& fields) {
        for (std::size_t i = 0; i < fields.size(); ++i)
            out += (i == 0 ? "" : sep) + CsvField(fields[i].first, sep, fields[i].second);
        out += "\r\n";
    };
    std::vector<std::pair<std::string, bool>> head;
    for (const char* name : {"name", "folder", "status", "failed", "version_before", "version_after",
                             "size_before_kb", "size_after_kb", "seconds"})
        head.emplace_back(name, false);
    for (const char* kind : kPurgedKinds)
        head.emplace_back(std::string("purged_") + kind, false);
    for (const char* name : {"proxy_objects", "missing_xrefs", "missing_fonts", "missing_images"})
        head.emplace_back(name, false);
    line(head);
    for (const DrawingRow& row : list) {
        const auto found = details.find(row.id);
        const RowDetails* d = found == details.end() ? nullptr : &found->second;
        const CleaningFacts* f = d != nullptr && d->facts ? &*d->facts : nullptr;
        const std::string& status = row.cell(kColStatus);
        std::string seconds;
        if (d != nullptr && d->seconds > 0) {
            char text[32];
            std::snprintf(text, sizeof text, "%.1f", d->seconds);
            seconds = text;
            if (const auto dot = seconds.find('.'); dot != std::string::npos)
                seconds.replace(dot, 1, c.decimalSign);
        }
        std::vector<std::pair<std::string, bool>> fields = {
            {row.cell(kColFilename), false},
            {row.cell(kColPath), false},
            {status, false},
            {IsFailure(status) ? "true" : "false", false},
            {d != nullptr ? d->versionBefore : std::string(), false},
            {row.cell(kColVersion), false},
            {WholeNumber(row.cell(kColSizeBefore)), true},
            {WholeNumber(row.cell(kColSizeAfter)), true},
            {seconds, true}};
        for (const char* kind : kPurgedKinds) {
            std::string count;
            if (f != nullptr)
                if (const auto n = f->purged.find(kind); n != f->purged.end())
                    count = std::to_string(n->second);
            fields.emplace_back(count, true);
        }
        fields.emplace_back(f != nullptr ? std::to_string(f->proxies) : std::string(), true);
        fields.emplace_back(f != nullptr ? Joined(f->missingXrefs) : std::string(), false);
        fields.emplace_back(f != nullptr ? Joined(f->missingFonts) : std::string(), false);
        fields.emplace_back(f != nullptr ? Joined(f->missingImages) : std::string(), false);
        line(fields);
    }
    return out;
}

} // namespace ps
