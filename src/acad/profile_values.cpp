#include "acad/profile_values.h"

#include "acad/host.h"
#include "acad/products.h"
#include "acad/releases.h"
#include "core/strings.h"

#include <algorithm>
#include <set>
#include <vector>

namespace ps {
namespace {

constexpr auto kUser = RegRoot::CurrentUser;
const RegVariant kMissing = std::int16_t{1};
constexpr std::string_view kTrustedPaths = "TRUSTEDPATHS";
constexpr std::string_view kSecureLoad = "SECURELOAD";
constexpr std::string_view kProjectAware = "PROJECTAWARE";
// In the pending record: the trusted paths were changed (1, or 2 when the
// Variables key was created for them), and what they were.
constexpr std::string_view kTrustSetMark = "TrustedPathsSet";

// One folder of a trusted-paths list: blanks and quotes off, no trailing backslash.
std::string TrustEntry(std::string_view entry) {
    std::string e(TrimBlanks(entry));
    if (e.size() >= 2 && e.front() == '"' && e.back() == '"')
        e = e.substr(1, e.size() - 2);
    while (e.size() > 3 && e.back() == '\\')
        e.pop_back();
    return e;
}

bool Trusts(std::string_view entry, const std::string& folder) {
    std::string e = TrustEntry(entry);
    if (e.empty())
        return false;
    if (EqualsNoCase(e, folder))
        return true;
    constexpr std::string_view kSubfolders = "\\...";
    if (e.size() > kSubfolders.size() &&
        e.compare(e.size() - kSubfolders.size(), kSubfolders.size(), kSubfolders) == 0) {
        const std::string parent = e.substr(0, e.size() - kSubfolders.size());
        return EqualsNoCase(folder, parent) ||
               (folder.size() > parent.size() && EqualsNoCase(folder.substr(0, parent.size()), parent) &&
                folder[parent.size()] == '\\');
    }
    return false;
}

// One saved value in the pending record: its registry type tells a missing
// value (REG_NONE: put back as the default 1) from a stored one.
void Remember(Registry& reg, const std::string& key, std::string_view name, const RegVariant& value) {
    if (std::holds_alternative<std::int16_t>(value))
        reg.setValue(kUser, key, name, RawRegValue{kRegNone, {}});
    else
        WriteRegValue(reg, kUser, key, name, value);
}

RegVariant Recall(const Registry& reg, const std::string& key, std::string_view name) {
    const auto raw = reg.queryValue(kUser, key, name);
    if (!raw || raw->type == kRegNone)
        return kMissing;
    return ReadRegValue(reg, kUser, key, name, kMissing);
}

constexpr std::string_view kSilentPrefix = "Silent.";
constexpr std::string_view kSilentKeyMark = "SilentKey";
constexpr std::string_view kSilentCreatedMark = "SilentKeyCreated";

// The silent variables as the profile AutoCAD will load holds them, recorded
// before any changes.
void RememberSilent(Registry& reg, SavedProfileValues& saved, const std::string& loadedProfileKey) {
    if (loadedProfileKey.empty() || !reg.keyExists(kUser, loadedProfileKey))
        return; // an unknown profile: nothing is written
    saved.variablesKey = loadedProfileKey + "\\Variables";
    saved.createdSilentKey = !reg.keyExists(kUser, saved.variablesKey);
    const std::string& record = saved.recordKey;
    reg.setValue(kUser, record, kSilentKeyMark, RegSzValue(saved.variablesKey));
    reg.setValue(kUser, record, kSilentCreatedMark, RegDwordValue(saved.createdSilentKey ? 1 : 0));
    for (const auto& v : kSilentVariables) {
        auto raw = reg.queryValue(kUser, saved.variablesKey, v.name);
        if (raw && raw->type == kRegNone)
            raw.reset();
        reg.setValue(kUser, record, std::string(kSilentPrefix) + std::string(v.name),
                     raw.value_or(RawRegValue{kRegNone, {}}));
        saved.silent.push_back(std::move(raw));
    }
}

// The values that keep opening a drawing quiet, over what the profile holds.
void SetSilent(Registry& reg, const SavedProfileValues& saved) {
    if (saved.variablesKey.empty() || !reg.createKey(kUser, saved.variablesKey))
        return;
    for (const auto& v : kSilentVariables) {
        if (v.keepNonEmpty && !RegText(ReadRegValue(reg, kUser, saved.variablesKey, v.name)).empty())
            continue;
        if (IsLogVariable(v.name) && saved.logFolder.empty())
            continue; // no logs asked for: AutoCAD's own setting stays
        const std::string text = v.name == "LOGFILEPATH" ? saved.logFolder : std::string(v.value);
        reg.setValue(kUser, saved.variablesKey, v.name,
                     v.integer ? RegDwordValue(static_cast<std::uint32_t>(std::stoul(text)))
                               : RegSzValue(text));
    }
}

void WriteBackSilent(Registry& reg, const SavedProfileValues& saved) {
    if (saved.variablesKey.empty() || saved.silent.size() != std::size(kSilentVariables))
        return;
    for (std::size_t i = 0; i < saved.silent.size(); ++i) {
        const std::string_view name = kSilentVariables[i].name;
        if (saved.silent[i])
            reg.setValue(kUser, saved.variablesKey, name, *saved.silent[i]);
        else
            reg.deleteValue(kUser, saved.variablesKey, name);
    }
    // A key made for the run goes with it, unless AutoCAD stored more in it meanwhile.
    if (saved.createdSilentKey) {
        const auto left = reg.values(kUser, saved.variablesKey);
        if (left && left->empty() && EnumRegSubkeys(reg, kUser, saved.variablesKey).empty())
            DeleteRegKey(reg, kUser, saved.variablesKey);
    }
}

void WriteBack(Registry& reg, const SavedProfileValues& saved) {
    WriteRegValue(reg, kUser, saved.profileKey + "\\General Configuration", kRegIsaveBackupDwg,
                  saved.isaveBackupDwg);
    WriteRegValue(reg, kUser, saved.profileKey + "\\General", kRegShowProxyDialog, saved.showProxyDialog);
    WriteRegValue(reg, kUser, saved.fixedKey, kRegFileDialog, saved.fileDialog);
    if (saved.trustSet) {
        if (saved.trustedPaths)
            reg.setValue(kUser, saved.trustKey, kTrustedPaths, *saved.trustedPaths);
        else
            reg.deleteValue(kUser, saved.trustKey, kTrustedPaths);
        if (saved.createdVariablesKey)
            DeleteRegKey(reg, kUser, saved.trustKey);
    }
    WriteBackSilent(reg, saved);
}

// Adds the folders to the profile's trusted paths, journalled first.
void TrustFolders(Registry& reg, SavedProfileValues& saved, std::span<const std::string> allFolders,
                  std::string_view releaseKey) {
    std::vector<std::string> folders;
    for (const auto& folder : allFolders)
        if (!AlwaysTrustedFolder(folder))
            folders.push_back(folder);
    if (folders.empty())
        return;
    const std::string vars = saved.trustKey;
    // From 2026 on a profile that takes its support files from a project
    // loads code only from trusted folders and ignores its own list.
    const RegVariant projectAware = ReadRegValue(reg, kUser, vars, kProjectAware);
    if (const auto* n = std::get_if<std::int32_t>(&projectAware);
        n != nullptr && *n == 1 && ReleaseLocksTrustForProjects(releaseKey)) {
        saved.untrusted = saved.locked = true;
        saved.lockedOut = folders.front();
        return;
    }
    const RegVariant secure = ReadRegValue(reg, kUser, vars, kSecureLoad);
    if (const auto* n = std::get_if<std::int32_t>(&secure); n != nullptr && *n == 0)
        return; // nothing is checked
    // Kept as stored, type included (a list with variables is REG_EXPAND_SZ).
    const auto raw = reg.queryValue(kUser, vars, kTrustedPaths);
    const std::string current =
        raw && raw->type != kRegNone ? RegText(ReadRegValue(reg, kUser, vars, kTrustedPaths)) : std::string();
    const std::string wanted = WithTrustedFolders(current, folders);
    if (raw && raw->type != kRegNone && wanted == current)
        return;
    // A record that holds the paths already (another run of the record
    // added its folders) keeps what they were before any run.
    if (!saved.trustSet) {
        if (raw && raw->type != kRegNone)
            saved.trustedPaths = *raw;
        saved.createdVariablesKey = !reg.keyExists(kUser, vars);
        const std::string& pending = saved.recordKey;
        reg.setValue(kUser, pending, kTrustedPaths, saved.trustedPaths.value_or(RawRegValue{kRegNone, {}}));
        reg.setValue(kUser, pending, "TrustKey", RegSzValue(saved.trustKey));
        reg.setValue(kUser, pending, kTrustSetMark, RegDwordValue(saved.createdVariablesKey ? 2 : 1));
        saved.trustSet = true;
    }
    RawRegValue value = RegSzValue(wanted);
    if (raw && raw->type == kRegExpandSz)
        value.type = kRegExpandSz;
    const bool written = reg.createKey(kUser, vars) && reg.setValue(kUser, vars, kTrustedPaths, value);
    saved.untrusted = !written || RegText(ReadRegValue(reg, kUser, vars, kTrustedPaths)) != wanted;
}

} // namespace

namespace {

// The folders of a trusted-paths list; "." lists none.
std::vector<std::string> TrustEntries(std::string_view trustedPaths) {
    std::vector<std::string> entries;
    const std::string_view list = TrimBlanks(trustedPaths);
    for (std::size_t start = 0; list != "." && start < list.size();) {
        const std::size_t end = std::min(list.find(';', start), list.size());
        entries.emplace_back(list.substr(start, end - start));
        start = end + 1;
    }
    return entries;
}

} // namespace

bool AlwaysTrustedFolder(std::string_view folder) {
    const std::string f = TrustEntry(folder);
    return Trusts("C:\\Program Files\\...", f) || Trusts("C:\\Program Files (x86)\\...", f);
}

bool TrustsFolder(std::string_view trustedPaths, std::string_view folder) {
    const std::string f = TrustEntry(folder);
    for (const auto& e : TrustEntries(trustedPaths))
        if (Trusts(e, f))
            return true;
    return false;
}

std::string WithTrustedFolders(std::string_view trustedPaths, std::span<const std::string> folders) {
    std::string result = TrustEntries(trustedPaths).empty() ? std::string() : std::string(trustedPaths);
    for (const auto& folder : folders) {
        const std::string f = TrustEntry(folder);
        if (f.empty() || TrustsFolder(result, f))
            continue;
        if (!result.empty() && result.back() != ';')
            result += ';';
        result += f;
    }
    return result;
}

namespace {

std::string ProfileKeyOf(const ProductIdentity& id, std::string_view profile) {
    return ProfilesKeyPath(id.type, id.release, id.productKey) + std::string(profile);
}

std::string FixedProfileKeyOf(const ProductIdentity& id) {
    return ProductKeyPath(id.type, id.release, id.productKey) + "\\FixedProfile\\General Configuration";
}

} // namespace

namespace {

// The values a run wants, written over what is there; the folders added to
// the trusted paths of the profile AutoCAD will load (the product's current
// one when none is named).
void SetForRun(Registry& reg, SavedProfileValues& saved, const ProductIdentity& id, std::string_view profile,
               bool createBak, std::span<const std::string> trustFolders) {
    WriteRegValue(reg, kUser, saved.profileKey + "\\General Configuration", kRegIsaveBackupDwg,
                  std::int16_t{createBak ? std::int16_t{1} : std::int16_t{0}});
    WriteRegValue(reg, kUser, saved.profileKey + "\\General", kRegShowProxyDialog, std::int16_t{0});
    WriteRegValue(reg, kUser, saved.fixedKey, kRegFileDialog, std::int16_t{1});
    SetSilent(reg, saved);
    saved.untrusted = saved.locked = false;
    const std::string trustProfile =
        !profile.empty() ? std::string(profile) : AcadProfileOf(reg, id.type, id.release, id.productKey);
    const std::string trustProfileKey = ProfileKeyOf(id, trustProfile);
    if (!trustFolders.empty() && !trustProfile.empty() && reg.keyExists(kUser, trustProfileKey)) {
        if (!saved.trustSet)
            saved.trustKey = trustProfileKey + "\\Variables";
        TrustFolders(reg, saved, trustFolders, id.release);
    }
}

} // namespace

std::string AcadProfileKey(const Registry& reg, std::string_view prodName, std::string_view profile) {
    return ProfileKeyOf(AcadProductIdentity(reg, prodName), profile);
}

std::string AcadFixedProfileKey(const Registry& reg, std::string_view prodName) {
    return FixedProfileKeyOf(AcadProductIdentity(reg, prodName));
}

SavedProfileValues GetAcadRegistry(Registry& reg, std::string_view prodName, std::string_view profile,
                                   bool createBak, std::span<const std::string> trustFolders,
                                   std::string recordKey, std::string_view logFolder) {
    SavedProfileValues saved;
    saved.logFolder = std::string(logFolder);
    // The product tree is walked once: a run starts every drawing here.
    const ProductIdentity id = AcadProductIdentity(reg, prodName);
    saved.profileKey = ProfileKeyOf(id, profile);
    saved.fixedKey = FixedProfileKeyOf(id);
    saved.showProxyDialog =
        ReadRegValue(reg, kUser, saved.profileKey + "\\General", kRegShowProxyDialog, kMissing);
    saved.isaveBackupDwg =
        ReadRegValue(reg, kUser, saved.profileKey + "\\General Configuration", kRegIsaveBackupDwg, kMissing);
    saved.fileDialog = ReadRegValue(reg, kUser, saved.fixedKey, kRegFileDialog, kMissing);

    // Recorded before anything changes, so an early end can be mended.
    const std::string& key = saved.recordKey = std::move(recordKey);
    DeleteRegTree(reg, kUser, key);
    if (reg.createKey(kUser, key)) {
        WriteRegValue(reg, kUser, key, "ProfileKey", saved.profileKey);
        WriteRegValue(reg, kUser, key, "FixedKey", saved.fixedKey);
        Remember(reg, key, kRegShowProxyDialog, saved.showProxyDialog);
        Remember(reg, key, kRegIsaveBackupDwg, saved.isaveBackupDwg);
        Remember(reg, key, kRegFileDialog, saved.fileDialog);
        const std::string loaded =
            !profile.empty() ? std::string(profile) : AcadProfileOf(reg, id.type, id.release, id.productKey);
        RememberSilent(reg, saved, loaded.empty() ? std::string() : ProfileKeyOf(id, loaded));
    }
    saved.pending = true;

    SetForRun(reg, saved, id, profile, createBak, trustFolders);
    return saved;
}

void RestoreAcadRegistry(Registry& reg, SavedProfileValues& saved) {
    if (!saved.pending)
        return;
    WriteBack(reg, saved);
    saved.pending = false;
    DeleteRegTreeAndEmptyParents(reg, kUser, saved.recordKey, "Software");
}

namespace {

constexpr std::string_view kRecordProduct = "Product";
constexpr std::string_view kRecordProfile = "Profile";
constexpr std::string_view kRecordBackup = "CreateBak";

// What a record holds, as GetAcadRegistry wrote it.
SavedProfileValues LoadRecord(const Registry& reg, const std::string& key) {
    SavedProfileValues saved;
    saved.recordKey = key;
    saved.profileKey = RegText(ReadRegValue(reg, kUser, key, "ProfileKey"));
    saved.fixedKey = RegText(ReadRegValue(reg, kUser, key, "FixedKey"));
    saved.showProxyDialog = Recall(reg, key, kRegShowProxyDialog);
    saved.isaveBackupDwg = Recall(reg, key, kRegIsaveBackupDwg);
    saved.fileDialog = Recall(reg, key, kRegFileDialog);
    saved.variablesKey = RegText(ReadRegValue(reg, kUser, key, kSilentKeyMark));
    if (!saved.variablesKey.empty()) {
        const RegVariant created = ReadRegValue(reg, kUser, key, kSilentCreatedMark);
        saved.createdSilentKey = RegText(created) == "1";
        for (const auto& v : kSilentVariables) {
            auto raw = reg.queryValue(kUser, key, std::string(kSilentPrefix) + std::string(v.name));
            if (raw && raw->type == kRegNone)
                raw.reset();
            saved.silent.push_back(std::move(raw));
        }
    }
    const RegVariant mark = ReadRegValue(reg, kUser, key, kTrustSetMark);
    saved.trustKey = RegText(ReadRegValue(reg, kUser, key, "TrustKey"));
    if (const auto* n = std::get_if<std::int32_t>(&mark); n != nullptr && !saved.trustKey.empty()) {
        saved.trustSet = true;
        saved.createdVariablesKey = *n == 2;
        const auto raw = reg.queryValue(kUser, key, kTrustedPaths);
        if (raw && raw->type != kRegNone)
            saved.trustedPaths = *raw;
    }
    saved.pending = true;
    return saved;
}

// Writes the values a record holds back where they came from.
void WriteBackValuesOf(Registry& reg, const std::string& key) {
    const SavedProfileValues saved = LoadRecord(reg, key);
    if (!saved.profileKey.empty())
        WriteBack(reg, saved);
}

// Writes a record's values back and deletes it.
void WriteBackRecord(Registry& reg, const std::string& key) {
    WriteBackValuesOf(reg, key);
    DeleteRegTreeAndEmptyParents(reg, kUser, key, "Software");
}

// A record written by an earlier version of the program: its values lie on
// the parent key itself and carry no owner.
bool RestoreOwnerlessRecord(Registry& reg) {
    const std::string key(kPendingProfileValuesKey);
    if (!reg.queryValue(kUser, key, "ProfileKey"))
        return false;
    WriteBackValuesOf(reg, key);
    if (const auto values = reg.values(kUser, key))
        for (const auto& [name, value] : *values)
            reg.deleteValue(kUser, key, name);
    return true;
}

std::string RecordKeyOf(std::string_view name) {
    return std::string(kPendingProfileValuesKey) + "\\" + std::string(name);
}

} // namespace

ProfileJoin JoinProfileValues(Registry& reg, RunOwnership& runs, std::string_view prodName,
                              std::string_view profile, bool createBak,
                              std::span<const std::string> trustFolders, std::string_view logFolder) {
    const SharedRecordsLock lock(runs);
    ProfileJoin join;
    std::string mine;
    bool shared = false; // another live run uses the record
    std::set<std::string> names;
    for (const auto& name : EnumRegSubkeys(reg, kUser, kPendingProfileValuesKey)) {
        names.insert(ToUpper(name));
        const std::string key = RecordKeyOf(name);
        const bool live = PruneGoneUsers(reg, kUser, key, runs);
        if (!EqualsNoCase(RegText(ReadRegValue(reg, kUser, key, kRecordProduct)), prodName))
            continue;
        if (EqualsNoCase(RegText(ReadRegValue(reg, kUser, key, kRecordProfile)), profile)) {
            mine = key;
            shared = live;
        } else if (live) {
            // AutoCAD's current profile of the product is another run's now.
            join.result = ProfileJoin::Result::Busy;
            return join;
        }
    }
    if (shared && RegText(ReadRegValue(reg, kUser, mine, kRecordBackup)) != (createBak ? "1" : "0")) {
        join.result = ProfileJoin::Result::Busy; // the runs want other values
        return join;
    }
    MakeProductCurrent(reg, prodName);
    SetAcadProductProfile(reg, prodName, profile);
    if (mine.empty()) {
        std::size_t n = 1;
        while (names.contains(std::to_string(n)))
            ++n;
        join.saved = GetAcadRegistry(reg, prodName, profile, createBak, trustFolders,
                                     RecordKeyOf(std::to_string(n)), logFolder);
        mine = join.saved.recordKey;
        WriteRegValue(reg, kUser, mine, kRecordProduct, std::string(prodName));
        WriteRegValue(reg, kUser, mine, kRecordProfile, std::string(profile));
    } else {
        // The record holds the values as they were before any run changed them.
        join.saved = LoadRecord(reg, mine);
        join.saved.logFolder = std::string(logFolder);
        SetForRun(reg, join.saved, AcadProductIdentity(reg, prodName), profile, createBak, trustFolders);
    }
    WriteRegValue(reg, kUser, mine, kRecordBackup, std::string(createBak ? "1" : "0"));
    if (join.saved.untrusted) {
        if (!shared)
            WriteBackRecord(reg, mine);
        join.saved.pending = false;
        join.result = join.saved.locked ? ProfileJoin::Result::Locked : ProfileJoin::Result::Untrusted;
        return join;
    }
    AddRunUser(reg, kUser, mine, runs.ownId());
    join.result = ProfileJoin::Result::Joined;
    return join;
}

void LeaveProfileValues(Registry& reg, RunOwnership& runs, SavedProfileValues& saved) {
    if (!saved.pending)
        return;
    saved.pending = false;
    const SharedRecordsLock lock(runs);
    RemoveRunUser(reg, kUser, saved.recordKey, runs.ownId());
    if (PruneGoneUsers(reg, kUser, saved.recordKey, runs))
        return; // the last run to leave puts the values back
    WriteBackRecord(reg, saved.recordKey);
}

bool RestorePendingProfileValues(Registry& reg, RunOwnership& runs) {
    if (!reg.keyExists(kUser, kPendingProfileValuesKey))
        return false;
    const SharedRecordsLock lock(runs);
    bool restored = RestoreOwnerlessRecord(reg);
    for (const auto& name : EnumRegSubkeys(reg, kUser, kPendingProfileValuesKey)) {
        const std::string key = RecordKeyOf(name);
        if (PruneGoneUsers(reg, kUser, key, runs))
            continue;
        WriteBackRecord(reg, key);
        restored = true;
    }
    if (EnumRegSubkeys(reg, kUser, kPendingProfileValuesKey).empty())
        DeleteRegTreeAndEmptyParents(reg, kUser, kPendingProfileValuesKey, "Software");
    return restored;
}

} // namespace ps
