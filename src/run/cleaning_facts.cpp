#include "run/cleaning_facts.h"

#include "core/strings.h"

#include <charconv>

namespace ps {
namespace {

constexpr std::string_view kComplete = "complete=1";

std::optional<long> Number(std::string_view text) {
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0)
        return std::nullopt;
    return value;
}

std::string JsonNames(const std::vector<std::string>& names) {
    std::string out = "[";
    for (std::size_t i = 0; i < names.size(); ++i)
        out += (i == 0 ? "" : ", ") + JsonText(names[i]);
    return out + "]";
}

} // namespace

std::string JsonText(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            constexpr char kHex[] = "0123456789abcdef";
            out += "\\u00";
            out += kHex[u >> 4];
            out += kHex[u & 15];
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::optional<CleaningFacts> ParseCleaningFacts(std::string_view text) {
    CleaningFacts facts;
    bool complete = false;
    while (!text.empty()) {
        const auto eol = text.find('\n');
        std::string_view line = text.substr(0, eol);
        text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty())
            continue;
        // Nothing may follow the end line: a file written twice over is not whole.
        if (complete)
            return std::nullopt;
        if (line == kComplete) {
            complete = true;
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string_view::npos)
            return std::nullopt;
        const std::string_view key = line.substr(0, eq);
        const std::string_view value = line.substr(eq + 1);
        if (key.starts_with("purged.")) {
            const auto n = Number(value);
            if (!n || key.size() == 7)
                return std::nullopt;
            facts.purged[std::string(key.substr(7))] += *n;
        } else if (key == "proxies") {
            const auto n = Number(value);
            if (!n)
                return std::nullopt;
            facts.proxies = *n;
        } else if (key == "missing_xref") {
            facts.missingXrefs.emplace_back(value);
        } else if (key == "missing_font") {
            facts.missingFonts.emplace_back(value);
        } else if (key == "missing_image") {
            facts.missingImages.emplace_back(value);
        } else if (key == "log") {
            facts.log = std::string(value);
        }
        // Other keys come from a newer companion: passed over.
    }
    if (!complete)
        return std::nullopt;
    return facts;
}

std::string CleaningFactsJsonMembers(const CleaningFacts* facts) {
    if (facts == nullptr)
        return "\"purged\": null, \"proxy_objects\": null, \"missing_xrefs\": [], \"missing_fonts\": [], "
               "\"missing_images\": []";
    std::string purged = "{";
    for (const auto& [kind, count] : facts->purged)
        purged += (purged.size() > 1 ? ", " : "") + JsonText(kind) + ": " + std::to_string(count);
    purged += "}";
    return "\"purged\": " + purged + ", \"proxy_objects\": " + std::to_string(facts->proxies) +
           ", \"missing_xrefs\": " + JsonNames(facts->missingXrefs) +
           ", \"missing_fonts\": " + JsonNames(facts->missingFonts) +
           ", \"missing_images\": " + JsonNames(facts->missingImages);
}

} // namespace ps
