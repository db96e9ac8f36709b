// Registers stand-in AutoCAD products in AutoCAD's registry layout: one
// folder per product holding its own copy of the stand-in, which learns which
// product it is from the registry entry whose location is its folder.
#pragma once

#include "core/registry.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace standin {

struct StandinProduct {
    std::string name;          // ProductName
    std::string type;          // "AutoCAD" or "AutoCAD LT"
    std::string release;       // release key
    std::string productKey;    // product key
    std::string exeName;       // acad.exe, aclt.exe or acadlt.exe
    std::string locationValue; // AcadLocation, Location or ACLTLocation
};

// Several AutoCAD releases (2000 to 2026) and two AutoCAD LT (2008, 2026).
const std::vector<StandinProduct>& StandinProducts();
// AutoCAD 2013 and later also install the console engine, accoreconsole.exe.
bool HasConsoleEngine(const StandinProduct& product);

inline constexpr const char* kStandinProfile = "<<Unnamed Profile>>";
inline constexpr const char* kStandinSecondProfile = "Plansweeper";

struct Identity {
    std::string type, release, productKey, name, folder;
};

// Writes the products under HKLM and their profiles under HKCU, with
// AutoCAD 2010 as the current product. install(product, folder) puts the
// stand-in's executable into the product's folder; false stops the
// registration. Returns the folders in product order.
std::vector<std::string>
RegisterStandins(ps::Registry& reg, const std::string& root,
                 const std::function<bool(const StandinProduct&, const std::string&)>& install);
// Removes what RegisterStandins wrote (the whole product and profile trees).
void UnregisterStandins(ps::Registry& reg);

// The product whose location value names this folder (without regard to case
// or a trailing backslash); nullopt when none does.
std::optional<Identity> IdentifyByFolder(const ps::Registry& reg, const std::string& folder);

} // namespace standin
