// The release families: groups of AutoCAD releases that read and write the
// same drawing formats. One table holds every fact of a family (the version
// codes its drawings carry, its labels and settings key suffix, its save
// format, the release keys of its products); everything else asks it.
#pragma once

#include "core/settings.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace ps {

// Oldest first; the order is the table's and the settings' column order.
enum class ReleaseFamily { R12, R13, R14, R15, R16, R17, R18, R19, R22 };

// How a DWG of a version code says how long it is (what the saved-file check
// can read): nothing, section locators (R13 to 2000), a page map (2004,
// 2010 and later), or a header kept coded (2007).
enum class DwgLayout { Undeclared, Locators, PageMap, Coded };

struct VersionCodeFacts {
    std::string_view code;  // the first six bytes of the file ("AC1015")
    std::string_view label; // the list's Version text ("2000")
    DwgLayout layout;
};

struct FamilyFacts {
    ReleaseFamily family;
    std::string_view name;     // "R15": the per-family settings keys end in its number (R15, HCA15)
    std::string_view rowLabel; // "2000:" on the SaveAs page
    std::span<const VersionCodeFacts> reads;
    std::string_view saveWord;                  // the convert-to choice ("AutoCAD R2000 DWG")
    std::string_view saveAsAnswer;              // what AutoCAD's saveas prompt takes ("_2000")
    std::string_view writesCode;                // the version code of what a save in the format writes
    std::span<const std::string_view> acadKeys; // release keys of its AutoCAD products ("R15.0")
    std::span<const std::string_view> ltKeys;   // and of its AutoCAD LT products ("R8")
    std::uint32_t writtenBy;    // the families whose products save in its format (bit per family)
    ReleaseFamily oldestChoice; // its drawings are offered conversion down to this family's format
};

// Every family, oldest first; the settings' per-format arrays follow it.
std::span<const FamilyFacts> Families();
const FamilyFacts& Facts(ReleaseFamily family);
static_assert(static_cast<std::size_t>(ReleaseFamily::R22) + 1 == kFormatCount);

inline std::string_view FamilyName(ReleaseFamily family) {
    return Facts(family).name;
}
// The label of a version code (exact, case included); empty when unknown.
std::string_view VersionLabelOfCode(std::string_view code);
// The family whose drawings carry the version label; nullopt for "???",
// "DXF?" and anything else.
std::optional<ReleaseFamily> FamilyOfVersionLabel(std::string_view label);
// Whether a DWG version code is of a release newer than the table knows
// ("AC" and four digits numbered above every code of the table).
bool IsNewerDwgCode(std::string_view code);
// How a DWG with the version code declares its length.
DwgLayout LayoutOfCode(std::string_view code);

// The family a product's release key belongs to, by exact comparison with the
// table (AutoCAD and AutoCAD LT keys alike). No key belongs to R12.
std::optional<ReleaseFamily> FamilyOfReleaseKey(std::string_view releaseKey);

// The family a run treats a product's release key as: the table's family;
// for later releases (an AutoCAD key, "R<n>.<m>", or an AutoCAD LT key,
// "R<n>", numbered above every key of its kind in the table) the newest
// family. nullopt for any other key.
std::optional<ReleaseFamily> ProductFamily(std::string_view releaseKey);

bool IsR15OrLater(ReleaseFamily family);

// Whether an AutoCAD LT release key is of AutoCAD LT 2024 (R30) or later,
// which run AutoLISP; earlier ones take plain command lines only.
bool LtKeyRunsAutoLisp(std::string_view ltKey);

// Whether a release key is of AutoCAD 2026 (R25.1) or AutoCAD LT 2026 (R32)
// or later: with PROJECTAWARE at 1 these force SECURELOAD to 2 and make
// TRUSTEDPATHS read-only.
bool ReleaseLocksTrustForProjects(std::string_view releaseKey);

// What a drawing is saved as: the drawing format of a release family, or not
// saved at all.
struct SaveFormat {
    std::optional<ReleaseFamily> family; // nullopt: not saved
    friend bool operator==(const SaveFormat&, const SaveFormat&) = default;
};
inline constexpr SaveFormat kNotSaved{};

inline constexpr std::string_view kDontConvertWord = "Don't convert format";
inline constexpr std::string_view kDontSaveWord = "Don't save";

// The answer to AutoCAD's saveas prompt ("_2000"); "no" when not saved.
std::string_view SaveAsAnswer(SaveFormat format);
// The version code a file saved in the format starts with ("AC1024" for the
// 2010 format); empty when not saved.
std::string_view VersionCode(SaveFormat format);
// The format a saveas answer names, in any letter case; nullopt for any other text.
std::optional<SaveFormat> SaveFormatOfAnswer(std::string_view answer);
// The format a convert-to choice gives a drawing of the family ("Don't
// convert format": the family's own; for a drawing of no family, nullopt),
// kNotSaved for "Don't save", nullopt for a word that is no choice.
std::optional<SaveFormat> SaveFormatOfWord(std::string_view word, std::optional<ReleaseFamily> drawing);
// The convert-to choices of the family's row: "Don't convert format", the
// formats from the newest down to its oldest choice, "Don't save".
std::span<const std::string_view> ConvertToChoices(ReleaseFamily family);
// Whether a product of the family can save in the format.
bool CanSave(ReleaseFamily product, SaveFormat format);
// The same for a release key no family holds ("" for no product): placed
// among the families by its text, it can save what the families on both
// sides of it can.
bool CanSaveUnjudged(std::string_view releaseKey, SaveFormat format);
// The format AutoCAD writes natively for a release key's family (exact
// table); nullopt for a key in no family.
std::optional<SaveFormat> NativeSaveFormat(std::string_view releaseKey);

// The per-drawing flag after choosing a product with this release key: set by
// the key's family, left as it was for a key in no family.
bool UpdateR15OrLater(std::string_view releaseKey, bool current);

} // namespace ps
