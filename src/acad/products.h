// Installed AutoCAD and AutoCAD LT products, found in AutoCAD's own registry
// entries and identified everywhere by their display name ("ProductName").
// Both views of HKEY_LOCAL_MACHINE are read, the 64-bit view first; a name
// found there hides the same name in the 32-bit view. AutoCAD's current
// product is the one the 64-bit view's pointers name, or the 32-bit view's
// when the 64-bit view has no current product type.
// Nothing is cached: every call reads the registry afresh, so a change made by
// the settings dialog is seen by the next call. An empty string means
// "not found".
#pragma once

#include "core/registry.h"

#include <string>
#include <string_view>
#include <vector>

namespace ps {

inline constexpr std::string_view kProductTypeAutoCad = "AutoCAD";
inline constexpr std::string_view kProductTypeAutoCadLt = "AutoCAD LT";

enum class ProductTypes { AutoCad, AutoCadLt, Both };

// Current product as AutoCAD's own pointers name it.
std::string AcadCurProd(const Registry& reg);
std::string AcadCurRelease(const Registry& reg); // upper case
std::string AcadCurProductKey(const Registry& reg);
std::string AcadCurrentProductName(const Registry& reg);
std::string AcadCurrentExePath(const Registry& reg);

std::vector<std::string> AcadReleaseKeys(const Registry& reg, ProductTypes type);
// Subkeys of every release key of the type(s), AutoCAD first, duplicates kept.
std::vector<std::string> AcadProductKeys(const Registry& reg, ProductTypes types);
// Every non-empty "ProductName", AutoCAD first, once per release/product pair.
std::vector<std::string> AcadAllProductNames(const Registry& reg);

// Lookups by product name, compared without regard to case. Each one walks
// the product tree: AcadProductIdentity gives all three parts for one walk.
struct ProductIdentity {
    std::string type;
    std::string release; // upper case
    std::string productKey;
};
ProductIdentity AcadProductIdentity(const Registry& reg, std::string_view productName);
std::string AcadProductType(const Registry& reg, std::string_view productName);
std::string AcadReleaseKey(const Registry& reg, std::string_view productName); // upper case
std::string AcadProductKey(const Registry& reg, std::string_view productName); // registry's letter case
std::string AcadExePath(const Registry& reg, std::string_view productName);

// Profiles live per user under the product's "Profiles" key; its unnamed value
// names the current one.
std::string AcadCurrentProfile(const Registry& reg);
std::string AcadProfileOf(const Registry& reg, std::string_view productType, std::string_view releaseKey,
                          std::string_view productKey);
std::vector<std::string> AcadProfiles(const Registry& reg, std::string_view productType,
                                      std::string_view releaseKey, std::string_view productKey);
std::vector<std::string> AcadCurrentProfiles(const Registry& reg);

// Writers that repoint AutoCAD's current product and profile. Each returns
// whether the registry write succeeded; writes under HKLM fail silently for a
// user without administrator rights.
bool SetAcadCurProd(Registry& reg, std::string_view productType);
bool SetAcadCurRelease(Registry& reg, std::string_view releaseKey);
bool SetAcadCurProductKey(Registry& reg, std::string_view productKey);
bool SetAcadCurrentProfile(Registry& reg, std::string_view profileName);

// The current profile of a product by name, and the writer that picks one of
// its profiles (compared without regard to case); false when either is unknown.
std::string AcadProductProfile(const Registry& reg, std::string_view productName);
bool SetAcadProductProfile(Registry& reg, std::string_view productName, std::string_view profileName);

// Makes the product AutoCAD's current one with all three pointers (product
// type, release key, product key) consistent, in the view the product lives
// in. False when the product is not registered or a write failed.
bool MakeProductCurrent(Registry& reg, std::string_view productName);

// Every registered product with what a run needs of it, read once. A run
// keeps one catalog: the product tree does not change while it runs.
struct ProductEntry {
    std::string name;
    std::string productType;
    std::string releaseKey; // upper case
    std::string productKey;
    std::string exePath;
};
class ProductCatalog {
public:
    static ProductCatalog Read(const Registry& reg);
    // The product by name without regard to case; an empty entry for an
    // unknown or empty name.
    ProductEntry find(std::string_view productName) const;

private:
    std::vector<ProductEntry> entries_;
};

// Registry paths of one product (HKLM for the product, HKCU for its profiles).
std::string ProductKeyPath(std::string_view productType, std::string_view releaseKey,
                           std::string_view productKey);
std::string ProfilesKeyPath(std::string_view productType, std::string_view releaseKey,
                            std::string_view productKey); // ends in "\Profiles\"

} // namespace ps
