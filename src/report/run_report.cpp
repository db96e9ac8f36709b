#include "report/run_report.h"

#include "drawinglist/status.h"
#include "preview/thumbnail.h"
#include "report/png_writer.h"

#include <algorithm>
#include <cstdio>
#include <atomic>
#include <map>
#include <thread>

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
svg.defs { position: absolute; width: 0; height: 0; overflow: hidden; }
svg.thumb { width: 96px; height: auto; border: 1px solid #ccc; background: #fff; display: block; }
td.thumb { width: 100px; }
span.none { color: #999; }
a.log { font-size: 8pt; color: #555; }
details summary { cursor: pointer; color: #555; font-size: 8pt; }
details pre { font-size: 8pt; white-space: pre-wrap; margin: 4px 0 0 0; color: #333; }
@page { size: landscape; margin: 10mm; }
@media print {
  body { margin: 0; font-size: 8pt; }
  thead { display: table-header-group; }
  tr { page-break-inside: avoid; break-inside: avoid; }
  th { background: #eee; }
  tr.failure td, th { -webkit-print-color-adjust: exact; print-color-adjust: exact; }
  div.c { display: -webkit-box; -webkit-box-orient: vertical; -webkit-line-clamp: 2; overflow: hidden; }
  svg.thumb { width: 64px; }
  a.log, details { display: none; }
  td.thumb { width: 68px; }
}
)";

const RowDetails* DetailsOf(const ReportFacts& facts, const DrawingRow& row) {
    if (facts.details == nullptr)
        return nullptr;
    const auto found = facts.details->find(row.id);
    return found == facts.details->end() ? nullptr : &found->second;
}

const CleaningFacts* CleaningOf(const ReportFacts& facts, const DrawingRow& row) {
    const RowDetails* d = DetailsOf(facts, row);
    return d != nullptr && d->facts ? &*d->facts : nullptr;
}

// "12 layers, 4 blocks": the kinds purged, in the record's words.
std::string PurgedText(const std::map<std::string, long, std::less<>>& purged, long proxies) {
    std::string text;
    for (const auto& [kind, n] : purged)
        if (n > 0) {
            std::string words = kind;
            std::replace(words.begin(), words.end(), '_', ' ');
            if (n == 1 && !words.empty() && words.back() == 's')
                words.pop_back();
            text += (text.empty() ? "" : ", ") + std::to_string(n) + " " + words;
        }
    if (proxies > 0)
        text += (text.empty() ? "" : "; ") + std::to_string(proxies) + " proxy object" +
                (proxies == 1 ? "" : "s");
    return text.empty() ? "nothing purged" : text;
}

std::string MissingText(const CleaningFacts& f) {
    std::string text;
    const auto add = [&text](const char* what, const std::vector<std::string>& names) {
        for (const auto& n : names)
            text += (text.empty() ? "" : ", ") + std::string(what) + " " + n;
    };
    add("xref", f.missingXrefs);
    add("font", f.missingFonts);
    add("image", f.missingImages);
    return text;
}

std::string TotalsTable(const DrawingList& list, const ReportFacts& facts) {
    std::vector<std::pair<std::string, std::string>> pairs = TotalsPairs(facts.totals);
    std::map<std::string, long, std::less<>> purged;
    long proxies = 0, missing = 0, saved = 0, recorded = 0;
    for (const auto& row : list) {
        if (const CleaningFacts* f = CleaningOf(facts, row)) {
            ++recorded;
            for (const auto& [kind, n] : f->purged)
                purged[kind] += n;
            proxies += f->proxies;
            missing += MissingText(*f).empty() ? 0 : 1;
        }
        const auto before = SizeCellNumber(row.cell(kColSizeBefore));
        const auto after = SizeCellNumber(row.cell(kColSizeAfter));
        if (row.cell(kColStatus) == status::kOk && before && after)
            saved += *before - *after;
    }
    if (recorded > 0) {
        pairs.emplace_back("Objects purged", PurgedText(purged, proxies));
        pairs.emplace_back("Drawings with missing references", std::to_string(missing));
    }
    if (saved != 0)
        pairs.emplace_back(saved > 0 ? "Space saved" : "Space added",
                           std::to_string(saved > 0 ? saved : -saved) + " KB");
    std::string html = "<table class=\"totals\">\n";
    for (const auto& [label, value] : pairs)
        html += "<tr><td>" + HtmlEscaped(label) + "</td><td>" + HtmlEscaped(value) + "</td></tr>\n";
    return html + "</table>\n";
}

// The drawings' pictures, each distinct one once.
struct Pictures {
    std::map<std::uint64_t, std::size_t> ofRow;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> sizes;
    std::string defs;
};

std::uint32_t Big32(std::string_view s, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(s[at])) << 24 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 1])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 2])) << 8 |
           static_cast<unsigned char>(s[at + 3]);
}

Pictures CollectPictures(const DrawingList& list, const ThumbnailSource& thumbnail) {
    Pictures p;
    std::map<std::string, std::size_t> seen;
    if (!thumbnail)
        return p;
    for (const auto& row : list) {
        if (row.isFolder())
            continue;
        auto png = thumbnail(row);
        if (!png || png->size() < 24 || png->compare(12, 4, "IHDR") != 0)
            continue;
        const auto [at, fresh] = seen.emplace(std::move(*png), p.sizes.size());
        if (fresh) {
            const std::uint32_t w = Big32(at->first, 16), h = Big32(at->first, 20);
            p.sizes.emplace_back(w, h);
            p.defs += "<image id=\"p" + std::to_string(at->second) + "\" width=\"" + std::to_string(w) +
                      "\" height=\"" + std::to_string(h) + "\" href=\"data:image/png;base64," +
                      Base64(at->first) + "\"/>\n";
        }
        p.ofRow[row.id] = at->second;
    }
    return p;
}

std::string Cell(const std::string& text, const char* cls = nullptr) {
    return std::string("<td") + (cls != nullptr ? std::string(" class=\"") + cls + "\"" : std::string()) +
           "><div class=\"c\">" + HtmlEscaped(text) + "</div></td>";
}

// A Windows path as a file: URL.
std::string FileUrl(const std::string& path) {
    std::string url = "file:///";
    for (char c : path) {
        if (c == '\\')
            url += '/';
        else if (c == ' ' || c == '#' || c == '%' || c == '?')
            url += c == ' ' ? "%20" : c == '#' ? "%23" : c == '%' ? "%25" : "%3F";
        else
            url += c;
    }
    return url;
}

// A folder may wrap after any backslash, and nowhere else.
std::string FolderCell(const std::string& folder) {
    std::string html;
    for (char c : HtmlEscaped(folder)) {
        html.push_back(c);
        if (c == '\\')
            html += "<wbr>";
    }
    return "<td><div class=\"c\">" + html + "</div></td>";
}

std::string RowsTable(const DrawingList& list, bool failuresOnly, const Pictures& pictures,
                      const ReportFacts& facts) {
    const bool cleaning = facts.details != nullptr;
    std::string html = "<table>\n<thead><tr><th>Drawing</th><th>File</th><th>Folder</th><th>Status</th>"
                       "<th>Version</th><th>Size before (KB)</th><th>Size after (KB)</th>";
    if (cleaning)
        html += "<th>Cleaning</th><th>Missing</th>";
    html += "<th>Date before</th><th>Date after</th></tr></thead>\n<tbody>\n";
    for (const auto& row : list) {
        const std::string& st = row.cell(kColStatus);
        if (failuresOnly && !IsFailure(st))
            continue;
        const Tint tint = TintOf(st);
        html += tint == Tint::Failure ? "<tr class=\"failure\">"
                : tint == Tint::Ok    ? "<tr class=\"ok\">"
                                      : "<tr>";
        html += "<td class=\"thumb\">";
        if (const auto found = pictures.ofRow.find(row.id); found != pictures.ofRow.end()) {
            const auto [w, h] = pictures.sizes[found->second];
            html += "<svg class=\"thumb\" viewBox=\"0 0 " + std::to_string(w) + " " + std::to_string(h) +
                    "\"><use href=\"#p" + std::to_string(found->second) + "\"/></svg>";
        } else {
            html += "<span class=\"none\">no picture</span>";
        }
        const RowDetails* d = DetailsOf(facts, row);
        // The name links to AutoCAD's transcript; a failure shows its last lines, folded.
        std::string file = HtmlEscaped(row.cell(kColFilename));
        if (d != nullptr && !d->log.empty())
            file += "<br><a class=\"log\" href=\"" + HtmlEscaped(FileUrl(d->log)) + "\">transcript</a>";
        std::string status = HtmlEscaped(st.empty() ? "Not processed" : st);
        if (IsFailure(st) && d != nullptr && !d->logTail.empty())
            status += "<details><summary>AutoCAD's last lines</summary><pre>" + HtmlEscaped(d->logTail) +
                      "</pre></details>";
        html += "</td><td><div class=\"c\">" + file + "</div></td>" + FolderCell(row.cell(kColPath)) +
                "<td class=\"status\">" + status + "</td>" + Cell(row.cell(kColVersion)) +
                Cell(row.cell(kColSizeBefore), "n") + Cell(row.cell(kColSizeAfter), "n");
        if (cleaning) {
            const CleaningFacts* f = CleaningOf(facts, row);
            html += Cell(f != nullptr ? PurgedText(f->purged, f->proxies) : std::string()) +
                    Cell(f != nullptr ? MissingText(*f) : std::string());
        }
        html += Cell(row.cell(kColDateBefore)) + Cell(row.cell(kColDateAfter)) + "</tr>\n";
    }
    return html + "</tbody>\n</table>\n";
}

// The drawing's thumbnail as the report keeps it, compressed by shrink when it can.
std::optional<std::string> ReportThumbnail(const FileSystem& fs, std::string_view path,
                                           const Shrink& shrink) {
    auto png = ThumbnailPng(fs, path, kReportPictureMostSide);
    if (png && shrink)
        if (auto small = shrink(*png))
            return small;
    return png;
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
    const Pictures pictures = CollectPictures(list, thumbnail);
    std::string html = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                       "<title>Plansweeper run report</title>\n<style>" +
                       std::string(kStyle) + "</style>\n</head>\n<body>\n";
    if (!pictures.defs.empty())
        html += "<svg class=\"defs\" aria-hidden=\"true\"><defs>\n" + pictures.defs + "</defs></svg>\n";
    html += "<h1>Plansweeper run report</h1>\n";
    html += "<p class=\"created\">" + HtmlEscaped(facts.created) + "</p>\n";
    html += TotalsTable(list, facts);
    if (failures > 0) {
        html += "<h2>Failures (" + std::to_string(failures) + ")</h2>\n";
        html += RowsTable(list, true, pictures, facts);
    }
    html += "<h2>Every drawing (" + std::to_string(list.size()) + ")</h2>\n";
    html += RowsTable(list, false, pictures, facts);
    return html + "</body>\n</html>\n";
}

std::optional<std::string> ThumbnailPng(const FileSystem& fs, std::string_view path, std::int32_t mostSide) {
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
    return DibToPng(shown.dib, mostSide);
}

std::map<std::uint64_t, std::string> ReportThumbnails(const FileSystem& fs, const DrawingList& list,
                                                      unsigned threads,
                                                      const std::function<Shrink()>& makeShrink) {
    std::vector<std::pair<std::uint64_t, std::string>> rows;
    for (const auto& row : list)
        if (!row.isFolder())
            rows.emplace_back(row.id, FullPath(row));
    std::vector<std::optional<std::string>> pictures(rows.size());
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        const Shrink shrink = makeShrink ? makeShrink() : Shrink();
        for (std::size_t i = next++; i < rows.size(); i = next++)
            pictures[i] = ReportThumbnail(fs, rows[i].second, shrink);
    };
    std::vector<std::thread> workers;
    for (unsigned t = 1; t < std::max(1u, threads) && t < rows.size(); ++t)
        workers.emplace_back(work);
    work();
    for (auto& w : workers)
        w.join();
    std::map<std::uint64_t, std::string> byRow;
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (pictures[i])
            byRow.emplace(rows[i].first, std::move(*pictures[i]));
    return byRow;
}

ThumbnailSource PicturesOf(const std::map<std::uint64_t, std::string>& pictures) {
    return [&pictures](const DrawingRow& row) -> std::optional<std::string> {
        const auto found = pictures.find(row.id);
        if (found == pictures.end())
            return std::nullopt;
        return found->second;
    };
}

std::vector<std::string> MissingReferences(const RowDetails* d) {
    std::vector<std::string> names;
    if (d == nullptr || !d->facts)
        return names;
    for (const auto* list : {&d->facts->missingXrefs, &d->facts->missingFonts, &d->facts->missingImages})
        names.insert(names.end(), list->begin(), list->end());
    return names;
}

std::string MissingCellText(const RowDetails* d) {
    const auto names = MissingReferences(d);
    if (names.empty())
        return {};
    std::string text = std::to_string(names.size()) + ":";
    for (std::size_t i = 0; i < names.size(); ++i)
        text += (i == 0 ? " " : ", ") + names[i];
    return text;
}

std::string RowDetailsText(const DrawingRow& row, const RowDetails* d) {
    std::string text;
    const auto line = [&text](const std::string& label, const std::string& value) {
        text += label + ": " + value + "\r\n";
    };
    line("Drawing", FullPath(row));
    const std::string& st = row.cell(kColStatus);
    line("Status", st.empty() ? "Not processed" : st);
    if (IsFailure(st))
        line("Why", std::string(StatusReason(st)));
    const std::string before =
        d != nullptr && !d->versionBefore.empty() ? d->versionBefore + " before, " : "";
    line("Version", before + (row.cell(kColVersion).empty() ? "unknown" : row.cell(kColVersion)) + " now");
    line("Size", row.cell(kColSizeBefore) + " KB before, " + row.cell(kColSizeAfter) + " KB after");
    if (d != nullptr && d->seconds > 0) {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.1f s", d->seconds);
        line("AutoCAD worked", seconds);
    }
    if (d == nullptr || !d->facts) {
        line("Cleaning",
             "no record (the drawing was not cleaned by this window's runs, or its AutoCAD keeps none)");
        return text;
    }
    const CleaningFacts& f = *d->facts;
    line("Purged", PurgedText(f.purged, f.proxies));
    const auto names = [](const std::vector<std::string>& list) {
        std::string out;
        for (const auto& n : list)
            out += (out.empty() ? "" : ", ") + n;
        return out.empty() ? std::string("none") : out;
    };
    line("Missing xrefs", names(f.missingXrefs));
    line("Missing fonts", names(f.missingFonts));
    line("Missing images", names(f.missingImages));
    return text;
}

} // namespace ps
