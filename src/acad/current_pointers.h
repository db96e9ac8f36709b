// AutoCAD's current-product pointers (CurProd, each product type's CurVer,
// each release's CurVer, in both views of HKLM) and each product's current profile, recorded raw
// before a run changes any of them and written back exactly at its end.
// The record is also kept in the registry until it is written back, so that
// the next start after a killed run can put AutoCAD back as it was found.
#pragma once

#include "core/registry.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ps {

// Where the record waits to be written back (HKEY_CURRENT_USER).
inline constexpr std::string_view kPendingPointersKey = "Software\\QUILLMERE\\Plansweeper\\PendingPointers";

struct PointerValue {
    RegRoot root = RegRoot::LocalMachine;
    std::string path;
    std::string name;
    std::optional<RawRegValue> value; // nullopt: the value did not exist
    friend bool operator==(const PointerValue&, const PointerValue&) = default;
};

std::vector<PointerValue> ReadCurrentPointers(const Registry& reg);
// Writes every value back as it was (a value that did not exist is deleted);
// keys that have gone are passed over.
void WriteBackPointers(Registry& reg, const std::vector<PointerValue>& values);

// One line of the registry record per value, and back.
std::string EncodePointer(const PointerValue& value);
std::optional<PointerValue> DecodePointer(std::string_view text);

// Records the pointers on construction, unless a record of this or an
// earlier guard is pending already (the outermost guard owns it), and writes
// them back when it ends, also after an exception.
class PointerGuard {
public:
    explicit PointerGuard(Registry& reg);
    ~PointerGuard();
    PointerGuard(const PointerGuard&) = delete;
    PointerGuard& operator=(const PointerGuard&) = delete;
    void restore();

private:
    Registry& reg_;
    bool owner_ = false;
    std::vector<PointerValue> values_;
};

// Writes back what a killed run left recorded; true when there was a record.
bool RestorePendingPointers(Registry& reg);

} // namespace ps
