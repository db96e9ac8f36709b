#include "report/run_report.h"

#include "preview/thumbnail.h"
#include "report/png_writer.h"

namespace ps {
namespace {

constexpr std::uint64_t kMostThumbnailBytes = 64ull * 1024 * 1024;

constexpr std::string_view kStyle = R"(
body { font-family: "Segoe UI", Tahoma, Arial, sans-serif; font-size: 10pt; color: #222; margin: 24px; }
h1 { font-size: 16pt; margin: 0 0 4px 0; }
h2 { font-size: 12pt; margin: 20px 0 6px 0; }
p.created { color: #666; margin: 0 0 12px 0; }
table { border-collapse: collapse; width: 100%; }
th, td { border-bottom: 1px solid #ddd; padding: 4px 6px; text-align: left; vertical-align: middle; }
th { background: #f2f2f2; }
td.n { text-align: right; white-space: nowrap; }
table.totals { width: auto; }
table.totals td { border: none; padding: 2px 12px 2px 0; }
tr.failure td { background: #ffdddd; color: #800000; }
tr.ok td.status { color: #1a6b1a; }
img { width: 96px; height: auto; border: 1px solid #ccc; background: #fff; display: block; }
td.thumb { width: 100px; }
span.none { color: #999; }
@media print { body { margin: 0; } tr { page-break-inside: avoid; } th { background: #eee; } }
)";

std::string TotalsTable(std::string_view totals) {
    std::string html = "<table class=\"totals\">\n";
    for (const auto& [label, value] : TotalsPairs(totals))
        html += "<tr><td>" + HtmlEscaped(label) + "</td><td>" + HtmlEscaped(value) + "</td></tr>\n";
    return html + "</table>\n";
}

std::string RowsTable(const DrawingList& list, bool failuresOnly, const ThumbnailSource& thumbnail) {
    std::string html = "<table>\n<tr><th>Drawing</th><th>File</th><th>Folder</th><th>Status</th>"
                       "<th>Version</th><th>Size before (KB)</th><th>Size after (KB)</th><th>Date before</th>"
                       "<th>Date after</th></tr>\n";
    for (const auto& row : list) {
        const std::string& st = row.cell(kColStatus);
        if (failuresOnly && !IsFailure(st))
            continue;
        const Tint tint = TintOf(st);
        html += tint == Tint::Failure ? "<tr class=\"failure\">"
                : tint == Tint::Ok    ? "<tr class=\"ok\">"
                                      : "<tr>";
        const auto png = thumbnail && !row.isFolder() ? thumbnail(row) : std::nullopt;
        html += "<td class=\"thumb\">";
        html += png ? "<img alt=\"\" src=\"data:image/png;base64," + Base64(*png) + "\">"
                    : std::string("<span class=\"none\">no picture</span>");
        html += "</td><td>" + HtmlEscaped(row.cell(kColFilename)) + "</td><td>" +
                HtmlEscaped(row.cell(kColPath)) + "</td><td class=\"status\">" +
                HtmlEscaped(st.empty() ? "Not processed" : st) + "</td><td>" +
                HtmlEscaped(row.cell(kColVersion)) + "</td><td class=\"n\">" +
                HtmlEscaped(row.cell(kColSizeBefore)) + "</td><td class=\"n\">" +
                HtmlEscaped(row.cell(kColSizeAfter)) + "</td><td>" + HtmlEscaped(row.cell(kColDateBefore)) +
                "</td><td>" + HtmlEscaped(row.cell(kColDateAfter)) + "</td></tr>\n";
    }
    return html + "</table>\n";
}

} // namespace

std::vector<std::pair<std::string, std::string>> TotalsPairs(std::string_view totals) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= totals.size()) {
        const std::size_t end = std::min(totals.find("\r\n", start), totals.size());
        lines.emplace_back(totals.substr(start, end - start));
        start = end + 2;
    }
    std::vector<std::pair<std::string, std::string>> pairs;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        std::string label = lines[i];
        while (!label.empty() && label.back() == ' ')
            label.pop_back();
        if (label.size() < 2 || label.back() != ':')
            continue;
        label.pop_back();
        pairs.emplace_back(std::move(label), lines[i + 1]);
        ++i;
    }
    return pairs;
}

std::string HtmlEscaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out.push_back(c);
        }
    }
    return out;
}

std::string Base64(std::string_view bytes) {
    static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::uint32_t b0 = static_cast<unsigned char>(bytes[i]);
        const std::uint32_t b1 = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0;
        const std::uint32_t b2 = i + 2 < bytes.size() ? static_cast<unsigned char>(bytes[i + 2]) : 0;
        const std::uint32_t v = b0 << 16 | b1 << 8 | b2;
        out.push_back(kDigits[(v >> 18) & 63]);
        out.push_back(kDigits[(v >> 12) & 63]);
        out.push_back(i + 1 < bytes.size() ? kDigits[(v >> 6) & 63] : '=');
        out.push_back(i + 2 < bytes.size() ? kDigits[v & 63] : '=');
    }
    return out;
}

std::string RunReportHtml(const DrawingList& list, const ReportFacts& facts,
                          const ThumbnailSource& thumbnail) {
    std::size_t failures = 0;
    for (const auto& row : list)
        failures += IsFailure(row.cell(kColStatus)) ? 1 : 0;
    std::string html = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                       "<title>Plansweeper run report</title>\n<style>" +
                       std::string(kStyle) + "</style>\n</head>\n<body>\n<h1>Plansweeper run report</h1>\n";
    html += "<p class=\"created\">" + HtmlEscaped(facts.created) + "</p>\n";
    html += TotalsTable(facts.totals);
    if (failures > 0) {
        html += "<h2>Failures (" + std::to_string(failures) + ")</h2>\n";
        html += RowsTable(list, true, thumbnail);
    }
    html += "<h2>Every drawing (" + std::to_string(list.size()) + ")</h2>\n";
    html += RowsTable(list, false, thumbnail);
    return html + "</body>\n</html>\n";
}

std::optional<std::string> ThumbnailPng(const FileSystem& fs, std::string_view path) {
    const auto entry = fs.findEntry(path);
    if (!entry || (entry->attributes & kAttrDirectory) != 0)
        return std::nullopt;
    ImageArea area;
    const auto readUpTo = [&fs, path](std::string& bytes, std::uint64_t want) {
        auto read = fs.readPrefix(path, static_cast<std::size_t>(want));
        if (!read)
            return false;
        bytes = std::move(*read);
        return true;
    };
    if (ReadImageAreaOf(entry->size, readUpTo, kMostThumbnailBytes, true, area) != AreaRead::Read)
        return std::nullopt;
    if (area.pictures.empty())
        return std::nullopt;
    const Picture& shown = area.pictures.back();
    if (shown.code == kEntryPng)
        return std::string(shown.png.bytes.begin(), shown.png.bytes.end());
    return DibToPng(shown.dib);
}

} // namespace ps
