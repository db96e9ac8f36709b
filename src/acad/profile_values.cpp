#include "acad/profile_values.h"

#include "acad/host.h"
#include "acad/products.h"

namespace ps {
namespace {

constexpr auto kUser = RegRoot::CurrentUser;
const RegVariant kMissing = std::int16_t{1};

// One saved value in the pending record: its registry type tells a missing
// value (REG_NONE: put back as the default 1) from a stored one.
void Remember(Registry& reg, std::string_view name, const RegVariant& value) {
    const std::string key(kPendingProfileValuesKey);
    if (std::holds_alternative<std::int16_t>(value))
        reg.setValue(kUser, key, name, RawRegValue{kRegNone, {}});
    else
        WriteRegValue(reg, kUser, key, name, value);
}

RegVariant Recall(const Registry& reg, std::string_view name) {
    const auto raw = reg.queryValue(kUser, kPendingProfileValuesKey, name);
    if (!raw || raw->type == kRegNone)
        return kMissing;
    return ReadRegValue(reg, kUser, kPendingProfileValuesKey, name, kMissing);
}

void WriteBack(Registry& reg, const SavedProfileValues& saved) {
    WriteRegValue(reg, kUser, saved.profileKey + "\\General Configuration", kRegIsaveBackupDwg,
                  saved.isaveBackupDwg);
    WriteRegValue(reg, kUser, saved.profileKey + "\\General", kRegShowProxyDialog, saved.showProxyDialog);
    WriteRegValue(reg, kUser, saved.fixedKey, kRegFileDialog, saved.fileDialog);
}

} // namespace

std::string AcadProfileKey(const Registry& reg, std::string_view prodName, std::string_view profile) {
    return ProfilesKeyPath(AcadProductType(reg, prodName), AcadReleaseKey(reg, prodName),
                           AcadProductKey(reg, prodName)) +
           std::string(profile);
}

std::string AcadFixedProfileKey(const Registry& reg, std::string_view prodName) {
    return ProductKeyPath(AcadProductType(reg, prodName), AcadReleaseKey(reg, prodName),
                          AcadProductKey(reg, prodName)) +
           "\\FixedProfile\\General Configuration";
}

SavedProfileValues GetAcadRegistry(Registry& reg, std::string_view prodName, std::string_view profile,
                                   bool createBak) {
    SavedProfileValues saved;
    saved.profileKey = AcadProfileKey(reg, prodName, profile);
    saved.fixedKey = AcadFixedProfileKey(reg, prodName);
    saved.showProxyDialog =
        ReadRegValue(reg, kUser, saved.profileKey + "\\General", kRegShowProxyDialog, kMissing);
    saved.isaveBackupDwg =
        ReadRegValue(reg, kUser, saved.profileKey + "\\General Configuration", kRegIsaveBackupDwg, kMissing);
    saved.fileDialog = ReadRegValue(reg, kUser, saved.fixedKey, kRegFileDialog, kMissing);

    // Recorded before anything changes, so an early end can be mended.
    const std::string key(kPendingProfileValuesKey);
    DeleteRegTree(reg, kUser, key);
    if (reg.createKey(kUser, key)) {
        WriteRegValue(reg, kUser, key, "ProfileKey", saved.profileKey);
        WriteRegValue(reg, kUser, key, "FixedKey", saved.fixedKey);
        Remember(reg, kRegShowProxyDialog, saved.showProxyDialog);
        Remember(reg, kRegIsaveBackupDwg, saved.isaveBackupDwg);
        Remember(reg, kRegFileDialog, saved.fileDialog);
    }
    saved.pending = true;

    WriteRegValue(reg, kUser, saved.profileKey + "\\General Configuration", kRegIsaveBackupDwg,
                  std::int16_t{createBak ? std::int16_t{1} : std::int16_t{0}});
    WriteRegValue(reg, kUser, saved.profileKey + "\\General", kRegShowProxyDialog, std::int16_t{0});
    WriteRegValue(reg, kUser, saved.fixedKey, kRegFileDialog, std::int16_t{1});
    return saved;
}

void RestoreAcadRegistry(Registry& reg, SavedProfileValues& saved) {
    if (!saved.pending)
        return;
    WriteBack(reg, saved);
    saved.pending = false;
    DeleteRegTreeAndEmptyParents(reg, kUser, kPendingProfileValuesKey, "Software");
}

bool RestorePendingProfileValues(Registry& reg) {
    if (!reg.keyExists(kUser, kPendingProfileValuesKey))
        return false;
    SavedProfileValues saved;
    saved.profileKey = RegText(ReadRegValue(reg, kUser, kPendingProfileValuesKey, "ProfileKey"));
    saved.fixedKey = RegText(ReadRegValue(reg, kUser, kPendingProfileValuesKey, "FixedKey"));
    saved.showProxyDialog = Recall(reg, kRegShowProxyDialog);
    saved.isaveBackupDwg = Recall(reg, kRegIsaveBackupDwg);
    saved.fileDialog = Recall(reg, kRegFileDialog);
    saved.pending = true;
    if (!saved.profileKey.empty())
        WriteBack(reg, saved);
    DeleteRegTreeAndEmptyParents(reg, kUser, kPendingProfileValuesKey, "Software");
    return true;
}

} // namespace ps
