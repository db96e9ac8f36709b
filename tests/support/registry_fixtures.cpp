#include "support/registry_fixtures.h"

#include <string>

namespace ps::test {

void PutString(Registry& reg, RegRoot root, std::string_view path, std::string_view name,
               std::string_view text) {
    reg.createKey(root, path);
    reg.setValue(root, path, name, RegSzValue(text));
}

void PutDword(Registry& reg, RegRoot root, std::string_view path, std::string_view name, unsigned number) {
    reg.createKey(root, path);
    reg.setValue(root, path, name, RegDwordValue(number));
}

void WriteSampleProducts(Registry& reg) {
    const auto hklm = RegRoot::LocalMachine;
    const auto hkcu = RegRoot::CurrentUser;
    PutString(reg, hklm, "Software\\Autodesk", "CurProd", "AutoCAD");
    PutString(reg, hklm, "Software\\Autodesk\\AutoCAD", "CurVer", "R17.1");
    PutString(reg, hklm, "Software\\Autodesk\\AutoCAD\\R17.1", "CurVer", "ACAD-6001:409");
    PutString(reg, hklm, "Software\\Autodesk\\AutoCAD\\R17.1\\ACAD-6001:409", "ProductName", "AutoCAD 2007");
    PutString(reg, hklm, "Software\\Autodesk\\AutoCAD\\R17.1\\ACAD-6001:409", "AcadLocation",
              "C:\\Program Files\\AutoCAD 2007");
    PutString(reg, hklm, "Software\\Autodesk\\AutoCAD\\R18.0", "CurVer", "ACAD-8001:409");
    PutString(reg, hklm, "Software\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:409", "ProductName", "AutoCAD 2010");
    PutString(reg, hklm, "Software\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:409", "AcadLocation", "");
    PutString(reg, hklm, "Software\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:409", "Location",
              "C:\\Program Files\\AutoCAD 2010");
    PutString(reg, hklm, "Software\\Autodesk\\AutoCAD LT", "CurVer", "R14");
    PutString(reg, hklm, "Software\\Autodesk\\AutoCAD LT\\R14", "CurVer", "ACADLT-7001:409");
    PutString(reg, hklm, "Software\\Autodesk\\AutoCAD LT\\R14\\ACADLT-7001:409", "ProductName",
              "AutoCAD LT 2008");
    PutString(reg, hklm, "Software\\Autodesk\\AutoCAD LT\\R14\\ACADLT-7001:409", "ACLTLocation",
              "C:\\Program Files\\AutoCAD LT 2008");

    const std::string p2007 = "Software\\Autodesk\\AutoCAD\\R17.1\\ACAD-6001:409\\Profiles";
    PutString(reg, hkcu, p2007, "", "<<Unnamed Profile>>");
    PutDword(reg, hkcu, p2007 + "\\<<Unnamed Profile>>\\General", "ShowProxyDialog", 1);
    PutDword(reg, hkcu, p2007 + "\\Plotting\\General", "ShowProxyDialog", 1);
    const std::string p2010 = "Software\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:409\\Profiles";
    PutString(reg, hkcu, p2010, "", "Arch");
    reg.createKey(hkcu, p2010 + "\\Arch");
    const std::string pLt = "Software\\Autodesk\\AutoCAD LT\\R14\\ACADLT-7001:409\\Profiles";
    PutString(reg, hkcu, pLt, "", "<<Unnamed Profile>>");
    reg.createKey(hkcu, pLt + "\\<<Unnamed Profile>>");
}

} // namespace ps::test
