// Product trees written into any Registry, so the same lookups can be checked
// in memory and against the real Windows registry.
#pragma once

#include "core/registry.h"

#include <string_view>

namespace ps::test {

// Creates the key and writes a REG_SZ value.
void PutString(Registry& reg, RegRoot root, std::string_view path, std::string_view name,
               std::string_view text);
void PutDword(Registry& reg, RegRoot root, std::string_view path, std::string_view name, unsigned number);

// Two AutoCAD products and one AutoCAD LT product, current product AutoCAD 2007:
//   AutoCAD\R17.1\ACAD-6001:409     "AutoCAD 2007"     AcadLocation C:\Program Files\AutoCAD 2007
//   AutoCAD\R18.0\ACAD-8001:409     "AutoCAD 2010"     Location only C:\Program Files\AutoCAD 2010
//   AutoCAD LT\R14\ACADLT-7001:409  "AutoCAD LT 2008"  ACLTLocation C:\Program Files\AutoCAD LT 2008
// Profiles (HKCU): 2007 has "<<Unnamed Profile>>" (current) and "Plotting";
// 2010 has "Arch" (current); LT 2008 has "<<Unnamed Profile>>" (current).
void WriteSampleProducts(Registry& reg);

} // namespace ps::test
