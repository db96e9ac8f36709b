#include "acad/releases.h"

#include "core/strings.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

namespace ps {
namespace {

using F = ReleaseFamily;

// AutoCAD LT 2024, the first AutoCAD LT that runs AutoLISP.
constexpr int kFirstLispLtKey = 30;
using L = DwgLayout;

constexpr std::uint32_t Bits(std::initializer_list<F> families) {
    std::uint32_t bits = 0;
    for (F f : families)
        bits |= 1u << static_cast<int>(f);
    return bits;
}

constexpr VersionCodeFacts kR12Codes[] = {
    {"AC1001", "2.5", L::Undeclared},   {"AC1002", "2.5", L::Undeclared},
    {"AC1003", "2.6", L::Undeclared},   {"AC1004", "9", L::Undeclared},
    {"AC1005", "10", L::Undeclared},    {"AC1006", "10", L::Undeclared},
    {"AC1007", "11/12", L::Undeclared}, {"AC1008", "11/12", L::Undeclared},
    {"AC1009", "11/12", L::Undeclared}};
constexpr VersionCodeFacts kR13Codes[] = {
    {"AC1010", "13", L::Undeclared}, {"AC1011", "13", L::Undeclared}, {"AC1012", "13", L::Locators}};
constexpr VersionCodeFacts kR14Codes[] = {{"AC1013", "14", L::Locators}, {"AC1014", "14", L::Locators}};
constexpr VersionCodeFacts kR15Codes[] = {{"AC1015", "2000", L::Locators}};
constexpr VersionCodeFacts kR16Codes[] = {{"AC401h", "2004", L::Undeclared},
                                          {"AC402b", "2004", L::Undeclared},
                                          {"AC1016", "2004", L::Undeclared},
                                          {"AC1018", "2004", L::PageMap}};
constexpr VersionCodeFacts kR17Codes[] = {{"AC701a", "2007", L::Undeclared}, {"AC1021", "2007", L::Coded}};
constexpr VersionCodeFacts kR18Codes[] = {{"AC1024", "2010", L::PageMap}};
constexpr VersionCodeFacts kR19Codes[] = {{"AC1027", "2013", L::PageMap}};
constexpr VersionCodeFacts kR22Codes[] = {{"AC1032", "2018", L::PageMap}};

constexpr std::string_view kR13Acad[] = {"R13.0"};
constexpr std::string_view kR13Lt[] = {"R3.0"};
constexpr std::string_view kR14Acad[] = {"R14.0"};
constexpr std::string_view kR14Lt[] = {"R5.0", "R4.0"};
constexpr std::string_view kR15Acad[] = {"R15.0"};
constexpr std::string_view kR15Lt[] = {"R6.0", "R7.0", "R8.0", "R6", "R7", "R8"};
constexpr std::string_view kR16Acad[] = {"R16.3", "R16.2", "R16.1", "R16.0"};
constexpr std::string_view kR16Lt[] = {"R9.0", "R9", "R10.0", "R10", "R11.0", "R11"};
constexpr std::string_view kR17Acad[] = {"R17.3", "R17.2", "R17.1", "R17.0"};
constexpr std::string_view kR17Lt[] = {"R12.0", "R12", "R13", "R14"};
constexpr std::string_view kR18Acad[] = {"R18.3", "R18.2", "R18.1", "R18.0"};
// AutoCAD LT 2012 is R18: LT's key counts up by one a release, and LT 2014
// is R20.
constexpr std::string_view kR18Lt[] = {"R15", "R16", "R17", "R18"};
// AutoCAD 2013 to 2017 and AutoCAD LT 2013 to 2017.
constexpr std::string_view kR19Acad[] = {"R19.0", "R19.1", "R20.0", "R20.1", "R21.0"};
constexpr std::string_view kR19Lt[] = {"R19", "R20", "R21", "R22", "R23"};
// AutoCAD 2018 to 2027 and AutoCAD LT 2018 to 2027. AutoCAD's key is its
// object library's version number ("26.0" for 2027, R26.0); AutoCAD LT's
// key counts on by one a release. 2027 still saves in the 2018 format.
constexpr std::string_view kR22Acad[] = {"R22.0", "R23.0", "R23.1", "R24.0", "R24.1",
                                         "R24.2", "R24.3", "R25.0", "R25.1", "R26.0"};
constexpr std::string_view kR22Lt[] = {"R24", "R25", "R26", "R27", "R28", "R29", "R30", "R31", "R32", "R33"};

// One row per family, oldest first. No product key belongs to R12.
constexpr auto kAfter2010 = Bits({F::R19, F::R22});
constexpr FamilyFacts kFamilies[] = {
    {F::R12,
     "R12",
     "R12 or older:",
     kR12Codes,
     "AutoCAD R12/LT2 DWG",
     "_r12",
     "AC1009",
     {},
     {},
     Bits({F::R12, F::R13, F::R14}),
     F::R12},
    {F::R13, "R13", "R13:", kR13Codes, "AutoCAD R13/LT95 DWG", "_r13", "AC1012", kR13Acad, kR13Lt,
     Bits({F::R12, F::R13, F::R14, F::R15}), F::R12},
    {F::R14, "R14", "R14:", kR14Codes, "AutoCAD R14/LT98/LT97 DWG", "_r14", "AC1014", kR14Acad, kR14Lt,
     Bits({F::R12, F::R13, F::R14, F::R15, F::R17, F::R18}) | kAfter2010, F::R12},
    {F::R15, "R15", "2000:", kR15Codes, "AutoCAD R2000 DWG", "_2000", "AC1015", kR15Acad, kR15Lt,
     Bits({F::R15, F::R16, F::R17, F::R18}) | kAfter2010, F::R12},
    {F::R16, "R16", "2004:", kR16Codes, "AutoCAD R2004 DWG", "_2004", "AC1018", kR16Acad, kR16Lt,
     Bits({F::R16, F::R17, F::R18}) | kAfter2010, F::R12},
    {F::R17, "R17", "2007:", kR17Codes, "AutoCAD R2007 DWG", "_2007", "AC1021", kR17Acad, kR17Lt,
     Bits({F::R17, F::R18}) | kAfter2010, F::R12},
    {F::R18, "R18", "2010:", kR18Codes, "AutoCAD R2010 DWG", "_2010", "AC1024", kR18Acad, kR18Lt,
     Bits({F::R18}) | kAfter2010, F::R14},
    {F::R19, "R19", "2013:", kR19Codes, "AutoCAD R2013 DWG", "_2013", "AC1027", kR19Acad, kR19Lt,
     Bits({F::R19, F::R22}), F::R14},
    {F::R22, "R22", "2018:", kR22Codes, "AutoCAD R2018 DWG", "_2018", "AC1032", kR22Acad, kR22Lt,
     Bits({F::R22}), F::R14},
};
static_assert(std::size(kFamilies) == kFormatCount);

const VersionCodeFacts* FindCode(std::string_view code) {
    for (const auto& f : kFamilies)
        for (const auto& c : f.reads)
            if (c.code == code)
                return &c;
    return nullptr;
}

// The major number of a release key ("R19.1": 19; "R18": 18) and whether it
// has a minor version; nullopt for no key of either form.
std::optional<std::pair<int, bool>> KeyNumber(std::string_view key) {
    if (key.size() < 2 || key[0] != 'R')
        return std::nullopt;
    int number = 0;
    std::size_t i = 1;
    for (; i < key.size() && key[i] != '.'; ++i) {
        if (key[i] < '0' || key[i] > '9' || number > 1000)
            return std::nullopt;
        number = number * 10 + (key[i] - '0');
    }
    if (i == 1 || i + 1 == key.size()) // "R" or "R19."
        return std::nullopt;
    return std::make_pair(number, i < key.size());
}

// The highest number among the table's AutoCAD keys (with a minor version)
// or AutoCAD LT keys (without).
int HighestKeyNumber(bool minorVersion) {
    int highest = 0;
    for (const auto& f : kFamilies)
        for (const auto keys : {f.acadKeys, f.ltKeys})
            for (const auto key : keys)
                if (const auto n = KeyNumber(key); n && n->second == minorVersion)
                    highest = std::max(highest, n->first);
    return highest;
}

} // namespace

std::span<const FamilyFacts> Families() {
    return kFamilies;
}

const FamilyFacts& Facts(ReleaseFamily family) {
    return kFamilies[static_cast<std::size_t>(family)];
}

std::string_view VersionLabelOfCode(std::string_view code) {
    const auto* c = FindCode(code);
    return c != nullptr ? c->label : std::string_view();
}

std::optional<ReleaseFamily> FamilyOfVersionLabel(std::string_view label) {
    for (const auto& f : kFamilies)
        for (const auto& c : f.reads)
            if (c.label == label)
                return f.family;
    return std::nullopt;
}

bool IsNewerDwgCode(std::string_view code) {
    auto number = [](std::string_view c) -> std::optional<int> {
        if (c.size() != 6 || c.substr(0, 2) != "AC")
            return std::nullopt;
        int n = 0;
        for (char d : c.substr(2)) {
            if (d < '0' || d > '9')
                return std::nullopt;
            n = n * 10 + (d - '0');
        }
        return n;
    };
    static const int newest = [&] {
        int highest = 0;
        for (const auto& f : kFamilies)
            for (const auto& c : f.reads)
                highest = std::max(highest, number(c.code).value_or(0));
        return highest;
    }();
    const auto n = number(code);
    return n && *n > newest;
}

DwgLayout LayoutOfCode(std::string_view code) {
    const auto* c = FindCode(code);
    return c != nullptr ? c->layout : DwgLayout::Undeclared;
}

std::optional<ReleaseFamily> FamilyOfReleaseKey(std::string_view releaseKey) {
    for (const auto& f : kFamilies)
        for (const auto keys : {f.acadKeys, f.ltKeys})
            for (const auto key : keys)
                if (key == releaseKey)
                    return f.family;
    return std::nullopt;
}

std::optional<ReleaseFamily> ProductFamily(std::string_view key) {
    if (const auto family = FamilyOfReleaseKey(key))
        return family;
    static const int highestAcad = HighestKeyNumber(true);
    static const int highestLt = HighestKeyNumber(false);
    const auto n = KeyNumber(key);
    if (n && n->first > (n->second ? highestAcad : highestLt))
        return kFamilies[std::size(kFamilies) - 1].family;
    return std::nullopt;
}

bool LtKeyRunsAutoLisp(std::string_view ltKey) {
    const auto n = KeyNumber(ltKey);
    return n && !n->second && n->first >= kFirstLispLtKey;
}

bool ReleaseLocksTrustForProjects(std::string_view releaseKey) {
    const auto n = KeyNumber(releaseKey);
    if (!n)
        return false;
    if (!n->second)
        return n->first >= 32; // AutoCAD LT 2026
    const std::string_view minor = releaseKey.substr(releaseKey.find('.') + 1);
    return n->first > 25 || (n->first == 25 && minor >= "1" && minor.size() == 1);
}

bool IsR15OrLater(ReleaseFamily family) {
    return family >= ReleaseFamily::R15;
}

std::string_view SaveAsAnswer(SaveFormat format) {
    return format.family ? Facts(*format.family).saveAsAnswer : std::string_view("no");
}

std::string_view VersionCode(SaveFormat format) {
    return format.family ? Facts(*format.family).writesCode : std::string_view();
}

std::optional<SaveFormat> SaveFormatOfAnswer(std::string_view answer) {
    for (const auto& f : kFamilies)
        if (EqualsNoCase(answer, f.saveAsAnswer))
            return SaveFormat{f.family};
    if (EqualsNoCase(answer, "no"))
        return kNotSaved;
    return std::nullopt;
}

std::optional<SaveFormat> SaveFormatOfWord(std::string_view word, std::optional<ReleaseFamily> drawing) {
    for (const auto& f : kFamilies)
        if (word == f.saveWord)
            return SaveFormat{f.family};
    if (word == kDontConvertWord && drawing)
        return SaveFormat{drawing};
    if (word == kDontSaveWord)
        return kNotSaved;
    return std::nullopt;
}

std::span<const std::string_view> ConvertToChoices(ReleaseFamily family) {
    static const auto choices = [] {
        std::array<std::vector<std::string_view>, kFormatCount> rows;
        for (const auto& row : kFamilies) {
            auto& words = rows[static_cast<std::size_t>(row.family)];
            words.push_back(kDontConvertWord);
            for (std::size_t i = std::size(kFamilies); i-- > static_cast<std::size_t>(row.oldestChoice);)
                words.push_back(kFamilies[i].saveWord);
            words.push_back(kDontSaveWord);
        }
        return rows;
    }();
    return choices[static_cast<std::size_t>(family)];
}

bool CanSave(ReleaseFamily product, SaveFormat format) {
    return !format.family || (Facts(*format.family).writtenBy & (1u << static_cast<int>(product))) != 0;
}

bool CanSaveUnjudged(std::string_view releaseKey, SaveFormat format) {
    bool can = true;
    for (std::size_t i = 0; i < std::size(kFamilies); ++i) {
        const bool below = kFamilies[i].name < releaseKey;
        const bool nextAbove = i + 1 == std::size(kFamilies) || kFamilies[i + 1].name > releaseKey;
        const bool neighbour =
            (below && nextAbove) || (!below && (i == 0 || kFamilies[i - 1].name < releaseKey));
        if (neighbour && kFamilies[i].name != releaseKey)
            can = can && CanSave(kFamilies[i].family, format);
    }
    return can;
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
