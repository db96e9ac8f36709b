// The registry helpers' rules, checked the same way over the in-memory
// registry and over the real one: each check works below a key it is given
// (which exists and is empty) under HKEY_CURRENT_USER.
#pragma once

#include "core/registry.h"

#include <string>

namespace ps::test {

// Missing keys and values read as the default, enumerate as nothing, take
// no writes and are not made by them; a trailing separator opens the same
// key and names compare without case.
void CheckOpenRules(Registry& reg, const std::string& base);
// Subkeys enumerate in the registry's order (case-insensitive, by text).
void CheckEnumerationOrder(Registry& reg, const std::string& base);
// A value made with its key path, and a key deleted only once it is empty.
void CheckCreateKeyValueAndDeleteKey(Registry& reg, const std::string& base);
// A snapshot of a key reads its values as the registry does, from the one
// read it was made with, until a write through it.
void CheckSnapshotReads(Registry& reg, const std::string& base);

} // namespace ps::test
