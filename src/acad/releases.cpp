#include "acad/releases.h"

#include "core/strings.h"

namespace ps {
namespace {

constexpr std::string_view kNames[] = {"R12", "R13", "R14", "R15", "R16", "R17", "R18"};
constexpr std::string_view kLabels[] = {"R12 or older:", "R13:", "R14:", "2000:", "2004:", "2007:", "2010:"};
// Per family: the saveas answer and the version code of what it writes.
constexpr std::string_view kSaveAsAnswers[] = {"_r12", "_r13", "_r14", "_2000", "_2004", "_2007", "_2010"};
constexpr std::string_view kVersionCodes[] = {"AC1009", "AC1012", "AC1014", "AC1015",
                                              "AC1018", "AC1021", "AC1024"};

struct KeyFamily {
    std::string_view key;
    ReleaseFamily family;
};

// Family table in row order (AutoCAD keys, then AutoCAD LT keys); the first
// row listing a key wins. No key belongs to R12.
constexpr KeyFamily kKeys[] = {
    {"R13.0", ReleaseFamily::R13}, {"R3.0", ReleaseFamily::R13},

    {"R14.0", ReleaseFamily::R14}, {"R5.0", ReleaseFamily::R14},  {"R4.0", ReleaseFamily::R14},

    {"R15.0", ReleaseFamily::R15}, {"R6.0", ReleaseFamily::R15},  {"R7.0", ReleaseFamily::R15},
    {"R8.0", ReleaseFamily::R15},  {"R6", ReleaseFamily::R15},    {"R7", ReleaseFamily::R15},
    {"R8", ReleaseFamily::R15},

    {"R16.3", ReleaseFamily::R16}, {"R16.2", ReleaseFamily::R16}, {"R16.1", ReleaseFamily::R16},
    {"R16.0", ReleaseFamily::R16}, {"R9.0", ReleaseFamily::R16},  {"R9", ReleaseFamily::R16},
    {"R10.0", ReleaseFamily::R16}, {"R10", ReleaseFamily::R16},   {"R11.0", ReleaseFamily::R16},
    {"R11", ReleaseFamily::R16},

    {"R17.3", ReleaseFamily::R17}, {"R17.2", ReleaseFamily::R17}, {"R17.1", ReleaseFamily::R17},
    {"R17.0", ReleaseFamily::R17}, {"R12.0", ReleaseFamily::R17}, {"R12", ReleaseFamily::R17},
    {"R13", ReleaseFamily::R17},   {"R14", ReleaseFamily::R17},

    {"R18.3", ReleaseFamily::R18}, {"R18.2", ReleaseFamily::R18}, {"R18.1", ReleaseFamily::R18},
    {"R18.0", ReleaseFamily::R18}, {"R15", ReleaseFamily::R18},   {"R16", ReleaseFamily::R18},
    {"R17", ReleaseFamily::R18},
};

} // namespace

std::string_view FamilyName(ReleaseFamily family) {
    return kNames[static_cast<int>(family)];
}
std::string_view FamilyLabel(ReleaseFamily family) {
    return kLabels[static_cast<int>(family)];
}

std::optional<ReleaseFamily> FamilyOfReleaseKey(std::string_view releaseKey) {
    for (const auto& row : kKeys)
        if (row.key == releaseKey)
            return row.family;
    return std::nullopt;
}

std::optional<ReleaseFamily> ProductFamily(std::string_view key) {
    if (const auto family = FamilyOfReleaseKey(key))
        return family;
    if (key.size() < 2 || key[0] != 'R')
        return std::nullopt;
    int number = 0;
    std::size_t i = 1;
    for (; i < key.size() && key[i] != '.'; ++i) {
        if (key[i] < '0' || key[i] > '9' || number > 1000)
            return std::nullopt;
        number = number * 10 + (key[i] - '0');
    }
    if (i == 1)
        return std::nullopt;
    const bool minorVersion = i < key.size();
    if (minorVersion && i + 1 == key.size())
        return std::nullopt; // "R19." is no key
    if (number >= 19 || (!minorVersion && number >= 18))
        return ReleaseFamily::R18;
    return std::nullopt;
}

bool IsR15OrLater(ReleaseFamily family) {
    return family >= ReleaseFamily::R15;
}

std::string_view SaveAsAnswer(SaveFormat format) {
    return format.family ? kSaveAsAnswers[static_cast<int>(*format.family)] : std::string_view("no");
}

std::string_view VersionCode(SaveFormat format) {
    return format.family ? kVersionCodes[static_cast<int>(*format.family)] : std::string_view();
}

std::optional<SaveFormat> SaveFormatOfAnswer(std::string_view answer) {
    for (ReleaseFamily family : kAllFamilies)
        if (EqualsNoCase(answer, kSaveAsAnswers[static_cast<int>(family)]))
            return SaveFormat{family};
    if (EqualsNoCase(answer, "no"))
        return kNotSaved;
    return std::nullopt;
}

std::optional<SaveFormat> NativeSaveFormat(std::string_view releaseKey) {
    const auto family = FamilyOfReleaseKey(releaseKey);
    return family ? std::optional<SaveFormat>(SaveFormat{family}) : std::nullopt;
}

bool UpdateR15OrLater(std::string_view releaseKey, bool current) {
    const auto family = FamilyOfReleaseKey(releaseKey);
    return family ? IsR15OrLater(*family) : current;
}

} // namespace ps
