#include "acad/products.h"

#include "acad/host.h"
#include "acad/registry_helpers.h"
#include "core/strings.h"

namespace ps {
namespace {

constexpr std::string_view kAutodesk = "Software\\Autodesk";

std::string TypePath(std::string_view productType) {
    return std::string(kAutodesk) + "\\" + std::string(productType);
}

std::string ReadText(const Registry& reg, RegRoot root, const std::string& path, std::string_view name) {
    return RegText(ReadRegValue(reg, root, path, name, std::string()));
}

std::string_view TypeName(ProductTypes type) {
    return type == ProductTypes::AutoCadLt ? kProductTypeAutoCadLt : kProductTypeAutoCad;
}

std::string ProductNameAt(const Registry& reg, std::string_view type, std::string_view release,
                          std::string_view productKey) {
    return ReadText(reg, RegRoot::LocalMachine, ProductKeyPath(type, release, productKey), kRegProductName);
}

struct Match {
    std::string type;
    std::string release;
    std::string productKey;
};

// The first release/product pair whose ProductName equals the name without
// regard to case: AutoCAD releases first, then AutoCAD LT. Pairs are formed
// from every product key of both types, so pairs that do not exist are read
// too and match only an empty name.
Match FindProduct(const Registry& reg, std::string_view productName) {
    const std::string wanted = ToUpper(productName);
    const auto productKeys = AcadProductKeys(reg, ProductTypes::Both);
    for (auto type : {ProductTypes::AutoCad, ProductTypes::AutoCadLt}) {
        for (const auto& release : AcadReleaseKeys(reg, type)) {
            for (const auto& key : productKeys) {
                if (ToUpper(ProductNameAt(reg, TypeName(type), release, key)) == wanted)
                    return {std::string(TypeName(type)), ToUpper(release), key};
            }
        }
    }
    return {};
}

std::string CurrentProfilesPath(const Registry& reg) {
    return ProfilesKeyPath(AcadCurProd(reg), AcadCurRelease(reg), AcadCurProductKey(reg));
}

} // namespace

std::string ProductKeyPath(std::string_view productType, std::string_view releaseKey,
                           std::string_view productKey) {
    return TypePath(productType) + "\\" + std::string(releaseKey) + "\\" + std::string(productKey);
}

std::string ProfilesKeyPath(std::string_view productType, std::string_view releaseKey,
                            std::string_view productKey) {
    return ProductKeyPath(productType, releaseKey, productKey) + "\\Profiles\\";
}

std::string AcadCurProd(const Registry& reg) {
    return ReadText(reg, RegRoot::LocalMachine, std::string(kAutodesk), kRegCurProd);
}

std::string AcadCurRelease(const Registry& reg) {
    return ToUpper(ReadText(reg, RegRoot::LocalMachine, TypePath(AcadCurProd(reg)), kRegCurVer));
}

std::string AcadCurProductKey(const Registry& reg) {
    return ReadText(reg, RegRoot::LocalMachine, TypePath(AcadCurProd(reg)) + "\\" + AcadCurRelease(reg),
                    kRegCurVer);
}

std::string AcadCurrentProductName(const Registry& reg) {
    return ProductNameAt(reg, AcadCurProd(reg), AcadCurRelease(reg), AcadCurProductKey(reg));
}

std::string AcadCurrentExePath(const Registry& reg) {
    return AcadExePath(reg, AcadCurrentProductName(reg));
}

std::vector<std::string> AcadReleaseKeys(const Registry& reg, ProductTypes type) {
    return EnumRegSubkeys(reg, RegRoot::LocalMachine, TypePath(TypeName(type)));
}

std::vector<std::string> AcadProductKeys(const Registry& reg, ProductTypes types) {
    std::vector<std::string> keys;
    for (auto type : {ProductTypes::AutoCad, ProductTypes::AutoCadLt}) {
        if (types != ProductTypes::Both && types != type)
            continue;
        for (const auto& release : AcadReleaseKeys(reg, type)) {
            auto sub = EnumRegSubkeys(reg, RegRoot::LocalMachine, TypePath(TypeName(type)) + "\\" + release);
            keys.insert(keys.end(), sub.begin(), sub.end());
        }
    }
    return keys;
}

std::vector<std::string> AcadAllProductNames(const Registry& reg) {
    std::vector<std::string> names;
    const auto productKeys = AcadProductKeys(reg, ProductTypes::Both);
    for (auto type : {ProductTypes::AutoCad, ProductTypes::AutoCadLt}) {
        for (const auto& release : AcadReleaseKeys(reg, type)) {
            for (const auto& key : productKeys) {
                auto name = ProductNameAt(reg, TypeName(type), release, key);
                if (!name.empty())
                    names.push_back(std::move(name));
            }
        }
    }
    return names;
}

std::string AcadProductType(const Registry& reg, std::string_view productName) {
    return FindProduct(reg, productName).type;
}

std::string AcadReleaseKey(const Registry& reg, std::string_view productName) {
    return FindProduct(reg, productName).release;
}

std::string AcadProductKey(const Registry& reg, std::string_view productName) {
    return FindProduct(reg, productName).productKey;
}

std::string AcadExePath(const Registry& reg, std::string_view productName) {
    const std::string wanted = ToUpper(productName);
    std::string result;
    auto scan = [&](ProductTypes type, std::string_view exeName) {
        const auto productKeys = AcadProductKeys(reg, type);
        for (const auto& release : AcadReleaseKeys(reg, type)) {
            for (const auto& key : productKeys) {
                const auto path = ProductKeyPath(TypeName(type), release, key);
                if (ToUpper(ReadText(reg, RegRoot::LocalMachine, path, kRegProductName)) != wanted)
                    continue;
                std::string folder;
                for (auto valueName : {kRegAcadLocation, kRegLocation, kRegAcltLocation}) {
                    folder = ReadText(reg, RegRoot::LocalMachine, path, valueName);
                    if (!folder.empty())
                        break;
                }
                if (!folder.empty())
                    result = folder + "\\" + std::string(exeName);
                break; // only the first matching product key of a release counts
            }
        }
    };
    scan(ProductTypes::AutoCad, kAcadExe);
    scan(ProductTypes::AutoCadLt, AutoCadLtExeName(productName));
    return result;
}

std::string AcadCurrentProfile(const Registry& reg) {
    return ReadText(reg, RegRoot::CurrentUser, CurrentProfilesPath(reg), "");
}

std::string AcadProfileOf(const Registry& reg, std::string_view productType, std::string_view releaseKey,
                          std::string_view productKey) {
    return ReadText(reg, RegRoot::CurrentUser, ProfilesKeyPath(productType, releaseKey, productKey), "");
}

std::vector<std::string> AcadProfiles(const Registry& reg, std::string_view productType,
                                      std::string_view releaseKey, std::string_view productKey) {
    auto path = ProfilesKeyPath(productType, releaseKey, productKey);
    path.pop_back();
    return EnumRegSubkeys(reg, RegRoot::CurrentUser, path);
}

std::vector<std::string> AcadCurrentProfiles(const Registry& reg) {
    return AcadProfiles(reg, AcadCurProd(reg), AcadCurRelease(reg), AcadCurProductKey(reg));
}

bool SetAcadCurProd(Registry& reg, std::string_view productType) {
    if (productType != kProductTypeAutoCadLt && productType != kProductTypeAutoCad)
        return false;
    if (ReadText(reg, RegRoot::LocalMachine, TypePath(productType), kRegCurVer).empty())
        return false;
    return WriteRegValue(reg, RegRoot::LocalMachine, kAutodesk, kRegCurProd, std::string(productType));
}

bool SetAcadCurRelease(Registry& reg, std::string_view releaseKey) {
    const auto type = AcadCurProd(reg);
    // Without a current product type the pointer has no key of its own to live in.
    if (type.empty())
        return false;
    return WriteRegValue(reg, RegRoot::LocalMachine, TypePath(type), kRegCurVer, std::string(releaseKey));
}

bool SetAcadCurProductKey(Registry& reg, std::string_view productKey) {
    for (const auto& key : AcadProductKeys(reg, ProductTypes::Both)) {
        if (EqualsNoCase(key, productKey)) {
            return WriteRegValue(reg, RegRoot::LocalMachine,
                                 TypePath(AcadCurProd(reg)) + "\\" + AcadCurRelease(reg), kRegCurVer, key);
        }
    }
    return false;
}

bool SetAcadCurrentProfile(Registry& reg, std::string_view profileName) {
    for (const auto& profile : AcadCurrentProfiles(reg)) {
        if (EqualsNoCase(profile, profileName))
            return WriteRegValue(reg, RegRoot::CurrentUser, CurrentProfilesPath(reg), "", profile);
    }
    return false;
}

bool MakeProductCurrent(Registry& reg, std::string_view productName) {
    const Match m = FindProduct(reg, productName);
    if (productName.empty() || m.type.empty())
        return false;
    // Innermost first: CurProd moves last, when what it points to is in place.
    return WriteRegValue(reg, RegRoot::LocalMachine, TypePath(m.type) + "\\" + m.release, kRegCurVer,
                         m.productKey) &&
           WriteRegValue(reg, RegRoot::LocalMachine, TypePath(m.type), kRegCurVer, m.release) &&
           WriteRegValue(reg, RegRoot::LocalMachine, kAutodesk, kRegCurProd, m.type);
}

ProductCatalog ProductCatalog::Read(const Registry& reg) {
    ProductCatalog catalog;
    for (const auto& name : AcadAllProductNames(reg)) {
        if (!catalog.find(name).name.empty())
            continue;
        const Match m = FindProduct(reg, name);
        catalog.entries_.push_back({name, m.type, m.release, m.productKey, AcadExePath(reg, name)});
    }
    return catalog;
}

ProductEntry ProductCatalog::find(std::string_view productName) const {
    if (!productName.empty())
        for (const auto& e : entries_)
            if (EqualsNoCase(e.name, productName))
                return e;
    return {};
}

} // namespace ps
