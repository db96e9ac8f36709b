// AutoCAD's current-product pointers (CurProd, each product type's CurVer,
// each release's CurVer, in both views of HKLM) and each product's current profile, recorded raw
// before a run changes any of them and written back exactly at its end.
// The record is also kept in the registry until it is written back, so that
// the next start after a killed run can put AutoCAD back as it was found.
#pragma once

#include "core/registry.h"
#include "core/run_ownership.h"

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

// Records the pointers on construction and writes them back when it ends,
// also after an exception. The record is shared by every run at work: the
// first records what it found, each joins it as a user (a nested guard of
// the same run owns nothing), and the last to end writes the pointers back.
class PointerGuard {
public:
    PointerGuard(Registry& reg, RunOwnership& runs);
    ~PointerGuard();
    PointerGuard(const PointerGuard&) = delete;
    PointerGuard& operator=(const PointerGuard&) = delete;
    void restore();

private:
    Registry& reg_;
    RunOwnership& runs_;
    bool owner_ = false;
};

// Writes back what runs that are gone left recorded, unless a live run still
// uses the record; true when the pointers were written back.
bool RestorePendingPointers(Registry& reg, RunOwnership& runs);

} // namespace ps
