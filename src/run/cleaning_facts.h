// What the companion application recorded about a drawing's cleaning: the
// named objects purged by kind, proxy objects, and the xrefs, fonts and
// images the drawing refers to that AutoCAD could not find. The script tells
// the companion where to write them; its last line says the cleaning ran to
// its end.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ps {

struct CleaningFacts {
    std::map<std::string, long, std::less<>> purged; // "blocks", "layers", ... -> how many
    long proxies = 0;
    std::vector<std::string> missingXrefs;
    std::vector<std::string> missingFonts;
    std::vector<std::string> missingImages;
    std::string log; // AutoCAD's command history log of the drawing (LOGFILENAME); empty: none
};

// The facts in the file's text; nullopt when the text does not end with the
// line that says the cleaning ran to its end (a script stopped half-way, the
// companion not loaded, the file cut short).
std::optional<CleaningFacts> ParseCleaningFacts(std::string_view text);

// The facts as one JSON object's members, without its braces: "purged" (an
// object of counts by kind), "proxy_objects", "missing_xrefs",
// "missing_fonts" and "missing_images" (arrays of names). Without facts the
// counts are null and the arrays empty: nothing was recorded.
std::string CleaningFactsJsonMembers(const CleaningFacts* facts);
inline std::string CleaningFactsJson(const CleaningFacts& facts) {
    return "{" + CleaningFactsJsonMembers(&facts) + "}";
}

// Text as a JSON string, quotes included.
std::string JsonText(std::string_view text);

} // namespace ps
