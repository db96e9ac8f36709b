// Release families: the run works in columns R12 to R18, one per group of
// AutoCAD releases that read and write the same drawing formats.
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace ps {

enum class ReleaseFamily { R12, R13, R14, R15, R16, R17, R18 };

inline constexpr std::array<ReleaseFamily, 7> kAllFamilies{
    ReleaseFamily::R12, ReleaseFamily::R13, ReleaseFamily::R14, ReleaseFamily::R15,
    ReleaseFamily::R16, ReleaseFamily::R17, ReleaseFamily::R18};

// "R12" … "R18": the suffix of the per-family settings keys.
std::string_view FamilyName(ReleaseFamily family);
// "R12 or older:", "R13:", "R14:", "2000:", "2004:", "2007:", "2010:".
std::string_view FamilyLabel(ReleaseFamily family);

// The family a product's release key belongs to, by exact comparison with the
// family table (AutoCAD and AutoCAD LT keys alike). No key belongs to R12.
std::optional<ReleaseFamily> FamilyOfReleaseKey(std::string_view releaseKey);

// The family a run treats a product's release key as: the table's family;
// for later releases (AutoCAD "R19.0" and up, AutoCAD LT "R18" and up, which
// carry no minor version) the newest family. nullopt for any other key.
std::optional<ReleaseFamily> ProductFamily(std::string_view releaseKey);

bool IsR15OrLater(ReleaseFamily family);

// What a drawing is saved as: the drawing format of a release family, or not
// saved at all.
struct SaveFormat {
    std::optional<ReleaseFamily> family; // nullopt: not saved
    friend bool operator==(const SaveFormat&, const SaveFormat&) = default;
};
inline constexpr SaveFormat kNotSaved{};

// The answer to AutoCAD's saveas prompt: "_r12", "_r13", "_r14", "_2000",
// "_2004", "_2007", "_2010"; "no" when the drawing is not saved.
std::string_view SaveAsAnswer(SaveFormat format);
// The version code a file saved in the format starts with ("AC1024" for the
// 2010 format); empty when not saved.
std::string_view VersionCode(SaveFormat format);
// The format a saveas answer names, in any letter case; nullopt for any other text.
std::optional<SaveFormat> SaveFormatOfAnswer(std::string_view answer);
// The format AutoCAD writes natively for a release key's family (exact
// table); nullopt for a key in no family.
std::optional<SaveFormat> NativeSaveFormat(std::string_view releaseKey);

// The per-drawing flag after choosing a product with this release key: set by
// the key's family, left as it was for a key in no family.
bool UpdateR15OrLater(std::string_view releaseKey, bool current);

} // namespace ps
