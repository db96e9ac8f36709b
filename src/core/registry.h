// The registry as the program's logic sees it: a port with one Win32
// implementation (platform/win_registry) and one in memory (core/memory_registry).
// Names are UTF-8; key and value names compare without regard to case.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ps {

// HKEY_LOCAL_MACHINE has two views on 64-bit Windows: LocalMachine is the
// 64-bit one (where 64-bit programs register), LocalMachine32 the one 32-bit
// programs see. Where Windows has one view only, both name the same keys.
enum class RegRoot { ClassesRoot, CurrentUser, LocalMachine, LocalMachine32 };
inline constexpr int kRegRootCount = 4;

// Value types with the registry's own numbers.
enum RegType : std::uint32_t {
    kRegNone = 0,
    kRegSz = 1,
    kRegExpandSz = 2,
    kRegBinary = 3,
    kRegDword = 4,
    kRegMultiSz = 7,
};

// A value as stored. For the string types the data are UTF-8 bytes with the
// terminating null characters exactly as stored (none, one, or two for
// REG_MULTI_SZ); for REG_DWORD four little-endian bytes.
struct RawRegValue {
    std::uint32_t type = kRegNone;
    std::vector<std::uint8_t> data;

    friend bool operator==(const RawRegValue&, const RawRegValue&) = default;
};

class Registry {
public:
    virtual ~Registry() = default;

    // True when the key can be opened for reading.
    virtual bool keyExists(RegRoot root, std::string_view path) const = 0;
    // The value, or nullopt when the key cannot be opened or has no such value.
    // An empty name is the key's unnamed default value.
    virtual std::optional<RawRegValue> queryValue(RegRoot root, std::string_view path,
                                                  std::string_view name) const = 0;
    // Writes into an existing key; false when the key cannot be opened for
    // writing or the write fails. Never creates the key.
    virtual bool setValue(RegRoot root, std::string_view path, std::string_view name,
                          const RawRegValue& value) = 0;
    virtual bool deleteValue(RegRoot root, std::string_view path, std::string_view name) = 0;
    // Creates the key and its missing parents; true when it exists afterwards.
    virtual bool createKey(RegRoot root, std::string_view path) = 0;
    // Deletes one key that has no subkeys.
    virtual bool deleteKey(RegRoot root, std::string_view path) = 0;
    // Subkey names in the registry's enumeration order; nullopt when the key
    // cannot be opened. An empty path enumerates the root itself.
    virtual std::optional<std::vector<std::string>> subkeys(RegRoot root, std::string_view path) const = 0;
    // Every value of a key, read in one go (names in their own letter case);
    // nullopt when the key cannot be opened.
    virtual std::optional<std::vector<std::pair<std::string, RawRegValue>>>
    values(RegRoot root, std::string_view path) const = 0;
};

// Deletes a key with every key below it; false when something stayed.
bool DeleteRegTree(Registry& reg, RegRoot root, std::string_view path);

// Encoders for the common value shapes.
RawRegValue RegSzValue(std::string_view text);   // with one terminating null
RawRegValue RegDwordValue(std::uint32_t number); // little-endian

} // namespace ps
