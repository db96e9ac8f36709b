#include "acad/current_pointers.h"

#include "acad/host.h"
#include "acad/products.h"
#include "acad/registry_helpers.h"

#include <algorithm>
#include <cstdio>

namespace ps {
namespace {

constexpr std::string_view kAutodesk = "Software\\Autodesk";
constexpr RegRoot kUser = RegRoot::CurrentUser;

void Add(const Registry& reg, std::vector<PointerValue>& out, RegRoot root, std::string path,
         std::string_view name) {
    if (!reg.keyExists(root, path))
        return;
    auto value = reg.queryValue(root, path, name);
    out.push_back({root, std::move(path), std::string(name), std::move(value)});
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

std::vector<PointerValue> ReadCurrentPointers(const Registry& reg) {
    std::vector<PointerValue> out;
    for (RegRoot view : {RegRoot::LocalMachine, RegRoot::LocalMachine32}) {
        Add(reg, out, view, std::string(kAutodesk), kRegCurProd);
        for (auto type : {kProductTypeAutoCad, kProductTypeAutoCadLt}) {
            const std::string typePath = std::string(kAutodesk) + "\\" + std::string(type);
            Add(reg, out, view, typePath, kRegCurVer);
            for (const auto& release : EnumRegSubkeys(reg, view, typePath)) {
                const std::string releasePath = typePath + "\\" + release;
                Add(reg, out, view, releasePath, kRegCurVer);
                for (const auto& key : EnumRegSubkeys(reg, view, releasePath)) {
                    auto profiles = ProfilesKeyPath(type, release, key);
                    profiles.pop_back();
                    // Both views may hold the same product; its profiles are one.
                    if (std::find_if(out.begin(), out.end(), [&](const PointerValue& v) {
                            return v.root == kUser && v.path == profiles;
                        }) == out.end())
                        Add(reg, out, kUser, profiles, "");
                }
            }
        }
    }
    return out;
}

void WriteBackPointers(Registry& reg, const std::vector<PointerValue>& values) {
    for (const auto& v : values) {
        if (reg.queryValue(v.root, v.path, v.name) == v.value)
            continue;
        if (v.value)
            reg.setValue(v.root, v.path, v.name, *v.value);
        else
            reg.deleteValue(v.root, v.path, v.name);
    }
}

// root|type|hex data|name|path — the path last, as it may hold "|"; a
// missing value has the type "-".
std::string EncodePointer(const PointerValue& v) {
    std::string text = std::to_string(static_cast<int>(v.root)) + "|";
    if (!v.value) {
        text += "-|";
    } else {
        text += std::to_string(v.value->type) + "|";
        char hex[3];
        for (auto b : v.value->data) {
            std::snprintf(hex, sizeof hex, "%02x", b);
            text += hex;
        }
    }
    return text + "|" + v.name + "|" + v.path;
}

std::optional<PointerValue> DecodePointer(std::string_view text) {
    std::string_view fields[4];
    for (auto& f : fields) {
        const auto bar = text.find('|');
        if (bar == std::string_view::npos)
            return std::nullopt;
        f = text.substr(0, bar);
        text.remove_prefix(bar + 1);
    }
    PointerValue v;
    if (fields[0].size() != 1 || fields[0][0] < '0' || fields[0][0] >= '0' + kRegRootCount)
        return std::nullopt;
    v.root = static_cast<RegRoot>(fields[0][0] - '0');
    v.name = std::string(fields[3]);
    v.path = std::string(text);
    if (fields[1] == "-")
        return v;
    RawRegValue raw;
    for (char c : fields[1]) {
        if (c < '0' || c > '9' || raw.type > 0xFFFFFFF)
            return std::nullopt;
        raw.type = raw.type * 10 + static_cast<std::uint32_t>(c - '0');
    }
    if (fields[1].empty() || fields[2].size() % 2 != 0)
        return std::nullopt;
    for (std::size_t i = 0; i < fields[2].size(); i += 2) {
        const int hi = HexDigit(fields[2][i]);
        const int lo = HexDigit(fields[2][i + 1]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        raw.data.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
    }
    v.value = std::move(raw);
    return v;
}

namespace {

std::vector<PointerValue> RecordedPointers(const Registry& reg) {
    const std::string key(kPendingPointersKey);
    std::vector<PointerValue> values;
    for (std::size_t i = 0;; ++i) {
        const auto raw = reg.queryValue(kUser, key, std::to_string(i));
        if (!raw)
            break;
        if (auto v = DecodePointer(RegText(ReadRegValue(reg, kUser, key, std::to_string(i)))))
            values.push_back(std::move(*v));
    }
    return values;
}

void WriteBackRecorded(Registry& reg) {
    WriteBackPointers(reg, RecordedPointers(reg));
    DeleteRegTreeAndEmptyParents(reg, kUser, kPendingPointersKey, "Software");
}

} // namespace

PointerGuard::PointerGuard(Registry& reg, RunOwnership& runs) : reg_(reg), runs_(runs) {
    const SharedRecordsLock lock(runs_);
    const std::string key(kPendingPointersKey);
    if (IsRunUser(reg_, kUser, key, runs_.ownId()))
        return; // an outer guard of this run owns the record
    // A record of another run, live or gone, holds the pointers as they were
    // before any run changed them: it is joined, never recorded over.
    if (!reg_.keyExists(kUser, key)) {
        const auto values = ReadCurrentPointers(reg_);
        if (!reg_.createKey(kUser, key))
            return;
        for (std::size_t i = 0; i < values.size(); ++i)
            WriteRegValue(reg_, kUser, key, std::to_string(i), EncodePointer(values[i]));
    }
    AddRunUser(reg_, kUser, key, runs_.ownId());
    owner_ = true;
}

PointerGuard::~PointerGuard() {
    try {
        restore();
    } catch (...) {
        // A destructor must not throw; the record stays for the next start.
    }
}

void PointerGuard::restore() {
    if (!owner_)
        return;
    owner_ = false;
    const SharedRecordsLock lock(runs_);
    const std::string key(kPendingPointersKey);
    RemoveRunUser(reg_, kUser, key, runs_.ownId());
    if (!PruneGoneUsers(reg_, kUser, key, runs_))
        WriteBackRecorded(reg_);
}

bool RestorePendingPointers(Registry& reg, RunOwnership& runs) {
    const SharedRecordsLock lock(runs);
    const std::string key(kPendingPointersKey);
    if (!reg.keyExists(kUser, key) || PruneGoneUsers(reg, kUser, key, runs))
        return false;
    WriteBackRecorded(reg);
    return true;
}

} // namespace ps
