#include "registration.h"

#include "acad/products.h"
#include "acad/registry_helpers.h"
#include "acad/releases.h"
#include "core/strings.h"

namespace standin {
namespace {

using ps::RegRoot;

std::string Trimmed(std::string folder) {
    while (folder.size() > 3 && (folder.back() == '\\' || folder.back() == '/'))
        folder.pop_back();
    return folder;
}

void Put(ps::Registry& reg, RegRoot root, const std::string& path, const std::string& name,
         const ps::RawRegValue& value) {
    reg.createKey(root, path);
    reg.setValue(root, path, name, value);
}

} // namespace

const std::vector<StandinProduct>& StandinProducts() {
    static const std::vector<StandinProduct> products = {
        {"AutoCAD 2000", "AutoCAD", "R15.0", "ACAD-1:409", "acad.exe", "AcadLocation"},
        {"AutoCAD 2004", "AutoCAD", "R16.0", "ACAD-201:409", "acad.exe", "AcadLocation"},
        {"AutoCAD 2007", "AutoCAD", "R17.0", "ACAD-5001:409", "acad.exe", "AcadLocation"},
        {"AutoCAD 2010", "AutoCAD", "R18.0", "ACAD-8001:409", "acad.exe", "Location"},
        {"AutoCAD 2013", "AutoCAD", "R19.0", "ACAD-B001:409", "acad.exe", "AcadLocation"},
        {"AutoCAD 2026", "AutoCAD", "R25.1", "ACAD-9101:409", "acad.exe", "AcadLocation"},
        {"AutoCAD LT 2008", "AutoCAD LT", "R14", "ACADLT-7001:409", "acadlt.exe", "ACLTLocation"},
        {"AutoCAD LT 2026", "AutoCAD LT", "R32", "ACADLT-9109:409", "aclt.exe", "ACLTLocation"},
    };
    return products;
}

bool HasConsoleEngine(const StandinProduct& product) {
    const auto family = ps::ProductFamily(product.release);
    return product.type == ps::kProductTypeAutoCad && family && *family >= ps::ReleaseFamily::R19;
}

std::vector<std::string>
RegisterStandins(ps::Registry& reg, const std::string& root,
                 const std::function<bool(const StandinProduct&, const std::string&)>& install) {
    std::vector<std::string> folders;
    const std::string base = Trimmed(root);
    for (const auto& p : StandinProducts()) {
        const std::string folder = base + "\\" + p.name;
        if (!install(p, folder))
            return folders;
        folders.push_back(folder);
        const std::string key = ps::ProductKeyPath(p.type, p.release, p.productKey);
        Put(reg, RegRoot::LocalMachine, key, "ProductName", ps::RegSzValue(p.name));
        Put(reg, RegRoot::LocalMachine, key, p.locationValue, ps::RegSzValue(folder));
        Put(reg, RegRoot::LocalMachine, "Software\\Autodesk\\" + p.type + "\\" + p.release, "CurVer",
            ps::RegSzValue(p.productKey));

        std::string profiles = ps::ProfilesKeyPath(p.type, p.release, p.productKey);
        profiles.pop_back();
        Put(reg, RegRoot::CurrentUser, profiles, "", ps::RegSzValue(kStandinProfile));
        for (const char* profile : {kStandinProfile, kStandinSecondProfile}) {
            const std::string path = profiles + "\\" + profile;
            Put(reg, RegRoot::CurrentUser, path + "\\General", "ShowProxyDialog", ps::RegDwordValue(1));
            Put(reg, RegRoot::CurrentUser, path + "\\General Configuration", "IsaveBackupDwg",
                ps::RegDwordValue(1));
        }
        Put(reg, RegRoot::CurrentUser,
            ps::ProductKeyPath(p.type, p.release, p.productKey) + "\\FixedProfile\\General Configuration",
            "FileDialog", ps::RegDwordValue(0));
    }
    Put(reg, RegRoot::LocalMachine, "Software\\Autodesk", "CurProd", ps::RegSzValue("AutoCAD"));
    Put(reg, RegRoot::LocalMachine, "Software\\Autodesk\\AutoCAD", "CurVer", ps::RegSzValue("R18.0"));
    Put(reg, RegRoot::LocalMachine, "Software\\Autodesk\\AutoCAD LT", "CurVer", ps::RegSzValue("R14"));
    return folders;
}

void UnregisterStandins(ps::Registry& reg) {
    ps::DeleteRegTree(reg, RegRoot::LocalMachine, "Software\\Autodesk");
    ps::DeleteRegTree(reg, RegRoot::CurrentUser, "Software\\Autodesk");
}

std::optional<Identity> IdentifyByFolder(const ps::Registry& reg, const std::string& folder) {
    const std::string wanted = Trimmed(folder);
    for (const char* type : {"AutoCAD", "AutoCAD LT"}) {
        const std::string typePath = std::string("Software\\Autodesk\\") + type;
        for (const auto& release : ps::EnumRegSubkeys(reg, RegRoot::LocalMachine, typePath)) {
            for (const auto& key :
                 ps::EnumRegSubkeys(reg, RegRoot::LocalMachine, typePath + "\\" + release)) {
                const std::string path = typePath + "\\" + release + "\\" + key;
                for (const char* value : {"AcadLocation", "Location", "ACLTLocation"}) {
                    const std::string location =
                        Trimmed(ps::RegText(ps::ReadRegValue(reg, RegRoot::LocalMachine, path, value)));
                    if (!location.empty() && ps::EqualsNoCase(location, wanted)) {
                        return Identity{
                            type, ps::ToUpper(release), key,
                            ps::RegText(ps::ReadRegValue(reg, RegRoot::LocalMachine, path, "ProductName")),
                            location};
                    }
                }
            }
        }
    }
    return std::nullopt;
}

} // namespace standin
