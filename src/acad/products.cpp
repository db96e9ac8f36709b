#include "acad/products.h"

#include "acad/host.h"
#include "acad/registry_helpers.h"
#include "core/snapshot_registry.h"
#include "core/strings.h"

namespace ps {
namespace {

constexpr std::string_view kAutodesk = "Software\\Autodesk";

// A 64-bit AutoCAD registers in HKLM's 64-bit view, a 32-bit one in the
// 32-bit view; both are read, the 64-bit view first.
constexpr RegRoot kViews[] = {RegRoot::LocalMachine, RegRoot::LocalMachine32};

std::string TypePath(std::string_view productType) {
    return std::string(kAutodesk) + "\\" + std::string(productType);
}

std::string ReadText(const Registry& reg, RegRoot root, const std::string& path, std::string_view name) {
    return RegText(ReadRegValue(reg, root, path, name, std::string()));
}

std::string_view TypeName(ProductTypes type) {
    return type == ProductTypes::AutoCadLt ? kProductTypeAutoCadLt : kProductTypeAutoCad;
}

std::string ProductNameAt(const Registry& reg, RegRoot view, std::string_view type, std::string_view release,
                          std::string_view productKey) {
    return ReadText(reg, view, ProductKeyPath(type, release, productKey), kRegProductName);
}

std::vector<std::string> ReleaseKeysIn(const Registry& reg, RegRoot view, ProductTypes type) {
    return EnumRegSubkeys(reg, view, TypePath(TypeName(type)));
}

// The release keys of a type in a view, each with the product keys under it.
using ReleaseTree = std::vector<std::pair<std::string, std::vector<std::string>>>;

ReleaseTree ReleaseTreeIn(const Registry& reg, RegRoot view, ProductTypes type) {
    ReleaseTree tree;
    for (auto& release : ReleaseKeysIn(reg, view, type)) {
        auto keys = EnumRegSubkeys(reg, view, TypePath(TypeName(type)) + "\\" + release);
        tree.emplace_back(std::move(release), std::move(keys));
    }
    return tree;
}

void AppendKeys(std::vector<std::string>& keys, const ReleaseTree& tree) {
    for (const auto& [release, sub] : tree)
        keys.insert(keys.end(), sub.begin(), sub.end());
}

std::vector<std::string> ProductKeysIn(const Registry& reg, RegRoot view, ProductTypes types) {
    std::vector<std::string> keys;
    for (auto type : {ProductTypes::AutoCad, ProductTypes::AutoCadLt})
        if (types == ProductTypes::Both || types == type)
            AppendKeys(keys, ReleaseTreeIn(reg, view, type));
    return keys;
}

// Whether a release holds the product key: a pair of a release and a key of
// another release has no ProductName, and is passed over unread (a walk
// over the product tree reads only the pairs there are).
bool Holds(const std::vector<std::string>& releaseKeys, std::string_view key) {
    for (const auto& k : releaseKeys)
        if (EqualsNoCase(k, key))
            return true;
    return false;
}

// Where Windows has one view only, the 32-bit view shows the 64-bit view's
// keys again: a pair that reads the same name in both is listed once.
bool SeenInEarlierView(const Registry& reg, RegRoot view, std::string_view type, std::string_view release,
                       std::string_view key, std::string_view name) {
    return view == RegRoot::LocalMachine32 &&
           ProductNameAt(reg, RegRoot::LocalMachine, type, release, key) == name;
}

// Calls visit(view, type, release, key, name) for every release/product pair
// with a ProductName: per view, AutoCAD releases first, then AutoCAD LT.
// Pairs are formed from every product key of both types of the view, so a
// product key under two releases pairs with each. visit returns false to stop.
template <typename Visit> void ForEachPair(const Registry& reg, Visit&& visit) {
    for (RegRoot view : kViews) {
        const ReleaseTree trees[] = {ReleaseTreeIn(reg, view, ProductTypes::AutoCad),
                                     ReleaseTreeIn(reg, view, ProductTypes::AutoCadLt)};
        std::vector<std::string> productKeys;
        for (const auto& tree : trees)
            AppendKeys(productKeys, tree);
        for (auto type : {ProductTypes::AutoCad, ProductTypes::AutoCadLt}) {
            for (const auto& [release, held] : trees[type == ProductTypes::AutoCad ? 0 : 1]) {
                for (const auto& key : productKeys) {
                    if (!Holds(held, key))
                        continue;
                    const std::string name = ProductNameAt(reg, view, TypeName(type), release, key);
                    if (name.empty() || SeenInEarlierView(reg, view, TypeName(type), release, key, name))
                        continue;
                    if (!visit(view, TypeName(type), release, key, name))
                        return;
                }
            }
        }
    }
}

struct Match {
    RegRoot view = RegRoot::LocalMachine;
    std::string type;
    std::string release;
    std::string productKey;
};

// The first release/product pair whose ProductName equals the name without
// regard to case. An empty name matches the first pair of the 64-bit view
// without a ProductName, as AutoCAD's own empty pointers do.
Match FindProduct(const Registry& reg, std::string_view productName) {
    const std::string wanted = ToUpper(productName);
    if (wanted.empty()) {
        const auto productKeys = ProductKeysIn(reg, RegRoot::LocalMachine, ProductTypes::Both);
        for (auto type : {ProductTypes::AutoCad, ProductTypes::AutoCadLt})
            for (const auto& release : ReleaseKeysIn(reg, RegRoot::LocalMachine, type))
                for (const auto& key : productKeys)
                    if (ProductNameAt(reg, RegRoot::LocalMachine, TypeName(type), release, key).empty())
                        return {RegRoot::LocalMachine, std::string(TypeName(type)), ToUpper(release), key};
        return {};
    }
    Match m;
    ForEachPair(reg, [&](RegRoot view, std::string_view type, const std::string& release,
                         const std::string& key, const std::string& name) {
        if (ToUpper(name) != wanted)
            return true;
        m = {view, std::string(type), ToUpper(release), key};
        return false;
    });
    return m;
}

// The view whose pointers name AutoCAD's current product: the 64-bit view
// unless only the 32-bit view has a current product type.
RegRoot CurrentView(const Registry& reg) {
    if (ReadText(reg, RegRoot::LocalMachine, std::string(kAutodesk), kRegCurProd).empty() &&
        !ReadText(reg, RegRoot::LocalMachine32, std::string(kAutodesk), kRegCurProd).empty())
        return RegRoot::LocalMachine32;
    return RegRoot::LocalMachine;
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
    return ReadText(reg, CurrentView(reg), std::string(kAutodesk), kRegCurProd);
}

std::string AcadCurRelease(const Registry& reg) {
    return ToUpper(ReadText(reg, CurrentView(reg), TypePath(AcadCurProd(reg)), kRegCurVer));
}

std::string AcadCurProductKey(const Registry& reg) {
    return ReadText(reg, CurrentView(reg), TypePath(AcadCurProd(reg)) + "\\" + AcadCurRelease(reg),
                    kRegCurVer);
}

std::string AcadCurrentProductName(const Registry& reg) {
    return ProductNameAt(reg, CurrentView(reg), AcadCurProd(reg), AcadCurRelease(reg),
                         AcadCurProductKey(reg));
}

std::string AcadCurrentExePath(const Registry& reg) {
    return AcadExePath(reg, AcadCurrentProductName(reg));
}

std::vector<std::string> AcadReleaseKeys(const Registry& reg, ProductTypes type) {
    return ReleaseKeysIn(reg, CurrentView(reg), type);
}

std::vector<std::string> AcadProductKeys(const Registry& reg, ProductTypes types) {
    return ProductKeysIn(reg, CurrentView(reg), types);
}

std::vector<std::string> AcadAllProductNames(const Registry& reg) {
    std::vector<std::string> names;
    ForEachPair(
        reg, [&](RegRoot, std::string_view, const std::string&, const std::string&, const std::string& name) {
            names.push_back(name);
            return true;
        });
    return names;
}

ProductIdentity AcadProductIdentity(const Registry& reg, std::string_view productName) {
    Match m = FindProduct(reg, productName);
    return {std::move(m.type), std::move(m.release), std::move(m.productKey)};
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
    auto scan = [&](RegRoot view, ProductTypes type, std::string_view exeName) {
        const ReleaseTree tree = ReleaseTreeIn(reg, view, type);
        std::vector<std::string> productKeys;
        AppendKeys(productKeys, tree);
        for (const auto& [release, held] : tree) {
            for (const auto& key : productKeys) {
                if (!Holds(held, key))
                    continue;
                const auto path = ProductKeyPath(TypeName(type), release, key);
                if (ToUpper(ReadText(reg, view, path, kRegProductName)) != wanted)
                    continue;
                std::string folder;
                for (auto valueName : {kRegAcadLocation, kRegLocation, kRegAcltLocation}) {
                    folder = ReadText(reg, view, path, valueName);
                    if (!folder.empty())
                        break;
                }
                if (!folder.empty())
                    result = folder + "\\" + std::string(exeName);
                break; // only the first matching product key of a release counts
            }
        }
    };
    // The view the product is found in first: a product of the 64-bit view
    // hides one of the same name in the 32-bit view.
    const RegRoot view = FindProduct(reg, productName).view;
    scan(view, ProductTypes::AutoCad, kAcadExe);
    scan(view, ProductTypes::AutoCadLt, AutoCadLtExeName(productName));
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
    const RegRoot view = CurrentView(reg);
    if (ReadText(reg, view, TypePath(productType), kRegCurVer).empty())
        return false;
    return WriteRegValue(reg, view, kAutodesk, kRegCurProd, std::string(productType));
}

bool SetAcadCurRelease(Registry& reg, std::string_view releaseKey) {
    const auto type = AcadCurProd(reg);
    // Without a current product type the pointer has no key of its own to live in.
    if (type.empty())
        return false;
    return WriteRegValue(reg, CurrentView(reg), TypePath(type), kRegCurVer, std::string(releaseKey));
}

bool SetAcadCurProductKey(Registry& reg, std::string_view productKey) {
    for (const auto& key : AcadProductKeys(reg, ProductTypes::Both)) {
        if (EqualsNoCase(key, productKey)) {
            return WriteRegValue(reg, CurrentView(reg),
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

std::string AcadProductProfile(const Registry& reg, std::string_view productName) {
    const Match m = FindProduct(reg, productName);
    return m.type.empty() ? std::string() : AcadProfileOf(reg, m.type, m.release, m.productKey);
}

bool SetAcadProductProfile(Registry& reg, std::string_view productName, std::string_view profileName) {
    const Match m = FindProduct(reg, productName);
    if (productName.empty() || m.type.empty())
        return false;
    for (const auto& profile : AcadProfiles(reg, m.type, m.release, m.productKey)) {
        if (EqualsNoCase(profile, profileName))
            return WriteRegValue(reg, RegRoot::CurrentUser, ProfilesKeyPath(m.type, m.release, m.productKey),
                                 "", profile);
    }
    return false;
}

bool MakeProductCurrent(Registry& reg, std::string_view productName) {
    const Match m = FindProduct(reg, productName);
    if (productName.empty() || m.type.empty())
        return false;
    // In the view the product lives in, where its own AutoCAD reads them;
    // innermost first: CurProd moves last, when what it points to is in place.
    return WriteRegValue(reg, m.view, TypePath(m.type) + "\\" + m.release, kRegCurVer, m.productKey) &&
           WriteRegValue(reg, m.view, TypePath(m.type), kRegCurVer, m.release) &&
           WriteRegValue(reg, m.view, kAutodesk, kRegCurProd, m.type);
}

ProductCatalog ProductCatalog::Read(const Registry& registry) {
    // The lookups below walk the same keys again and again: each is read once.
    const SnapshotRegistry reg(registry);
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
