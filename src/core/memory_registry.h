// A registry held in memory, for tests and for runs that must not touch the
// real one. The two views of HKEY_LOCAL_MACHINE are two separate trees, as on
// 64-bit Windows. Subkeys enumerate in the order the Windows registry uses (sorted
// by upper-cased name); values keep the letter case they were created with.
#pragma once

#include "core/registry.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace ps {

class MemoryRegistry final : public Registry {
public:
    MemoryRegistry();
    ~MemoryRegistry() override;
    MemoryRegistry(const MemoryRegistry&) = delete;
    MemoryRegistry& operator=(const MemoryRegistry&) = delete;

    bool keyExists(RegRoot root, std::string_view path) const override;
    std::optional<RawRegValue> queryValue(RegRoot root, std::string_view path,
                                          std::string_view name) const override;
    bool setValue(RegRoot root, std::string_view path, std::string_view name,
                  const RawRegValue& value) override;
    bool deleteValue(RegRoot root, std::string_view path, std::string_view name) override;
    bool createKey(RegRoot root, std::string_view path) override;
    bool deleteKey(RegRoot root, std::string_view path) override;
    std::optional<std::vector<std::string>> subkeys(RegRoot root, std::string_view path) const override;

    // Test conveniences: create the key and write a value in one step.
    void put(RegRoot root, std::string_view path, std::string_view name, const RawRegValue& value);
    void putString(RegRoot root, std::string_view path, std::string_view name, std::string_view text);
    void putDword(RegRoot root, std::string_view path, std::string_view name, std::uint32_t number);

    // Makes every write fail, as HKLM does for a user without administrator rights.
    void setReadOnly(RegRoot root, bool readOnly);
    // Makes writes of one value fail, as a value an administrator locked.
    void lockValue(RegRoot root, std::string_view path, std::string_view name);
    std::optional<std::vector<std::pair<std::string, RawRegValue>>>
    values(RegRoot root, std::string_view path) const override;

private:
    struct Key;
    Key* find(RegRoot root, std::string_view path) const;
    std::array<std::unique_ptr<Key>, kRegRootCount> roots_;
    std::array<bool, kRegRootCount> readOnly_{};
    std::vector<std::string> locked_; // root, path and name, upper case
};

} // namespace ps
