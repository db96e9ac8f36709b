// The registry helpers every part of the program reads and writes AutoCAD's
// and the shell's entries with. Missing keys and values are results, never
// errors: reads give their default, enumerations an empty list.
#pragma once

#include "core/registry.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace ps {

// What a value reads as: nothing, a 16-bit integer (only ever a default), a
// 32-bit integer (REG_DWORD), a string (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ
// with its inner nulls) or bytes (REG_BINARY).
using RegVariant =
    std::variant<std::monostate, std::int16_t, std::int32_t, std::string, std::vector<std::uint8_t>>;

RegVariant ReadRegValue(const Registry& reg, RegRoot root, std::string_view path, std::string_view name,
                        const RegVariant& defaultValue = {});

// Writes into an existing key: integers as REG_DWORD, strings as REG_SZ with
// the terminating null counted, bytes as REG_BINARY. Nothing is written for an
// empty variant; the result is then true when the key exists.
bool WriteRegValue(Registry& reg, RegRoot root, std::string_view path, std::string_view name,
                   const RegVariant& value);

std::vector<std::string> EnumRegSubkeys(const Registry& reg, RegRoot root, std::string_view path);

// Creates the key when needed and writes the text as REG_SZ.
void CreateRegKeyValue(Registry& reg, RegRoot root, std::string_view path, std::string_view name,
                       std::string_view text);

// Deletes one key that has no subkeys; nothing happens otherwise.
void DeleteRegKey(Registry& reg, RegRoot root, std::string_view path);

// Deletes a key with everything below it, then each parent up to (not
// including) stopAt that has become empty: no value, no subkey.
void DeleteRegTreeAndEmptyParents(Registry& reg, RegRoot root, std::string_view path,
                                  std::string_view stopAt);

// The text a read value stands for: a string as it is, an integer in decimal,
// nothing as the empty string, bytes as their characters.
std::string RegText(const RegVariant& value);

} // namespace ps
