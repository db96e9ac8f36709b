#include "platform/win_registry.h"

#include "platform/handles.h"
#include "platform/text.h"

#include <windows.h>

namespace ps {
namespace {

HKEY RootHandle(RegRoot root) {
    switch (root) {
    case RegRoot::ClassesRoot:
        return HKEY_CLASSES_ROOT;
    case RegRoot::CurrentUser:
        return HKEY_CURRENT_USER;
    case RegRoot::LocalMachine:
    case RegRoot::LocalMachine32:
        break;
    }
    return HKEY_LOCAL_MACHINE;
}

// The view flag of HKLM's two views; the other roots are not redirected.
REGSAM ViewOf(RegRoot root) {
    switch (root) {
    case RegRoot::LocalMachine:
        return KEY_WOW64_64KEY;
    case RegRoot::LocalMachine32:
        return KEY_WOW64_32KEY;
    case RegRoot::ClassesRoot:
    case RegRoot::CurrentUser:
        break;
    }
    return 0;
}

UniqueRegKey OpenKey(RegRoot root, std::string_view path, REGSAM access) {
    UniqueRegKey key;
    const std::wstring wide = Widen(path);
    if (RegOpenKeyExW(RootHandle(root), wide.c_str(), 0, access | ViewOf(root), key.put()) != ERROR_SUCCESS)
        key.release();
    return key;
}

bool IsStringType(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// A value as the registry gave it: strings as UTF-8, anything else as its bytes.
RawRegValue ValueOf(DWORD type, const BYTE* data, DWORD size) {
    RawRegValue value{type, {}};
    if (IsStringType(type)) {
        std::wstring wide(size / sizeof(wchar_t), L'\0');
        if (!wide.empty())
            memcpy(wide.data(), data, wide.size() * sizeof(wchar_t));
        const std::string utf8 = Narrow(wide);
        value.data.assign(utf8.begin(), utf8.end());
    } else {
        value.data.assign(data, data + size);
    }
    return value;
}

} // namespace

bool WinRegistry::keyExists(RegRoot root, std::string_view path) const {
    return static_cast<bool>(OpenKey(root, path, KEY_READ));
}

std::optional<RawRegValue> WinRegistry::queryValue(RegRoot root, std::string_view path,
                                                   std::string_view name) const {
    const auto key = OpenKey(root, path, KEY_READ);
    if (!key)
        return std::nullopt;
    const std::wstring wideName = Widen(name);
    std::vector<BYTE> buffer(1024);
    DWORD type = REG_NONE;
    DWORD size = static_cast<DWORD>(buffer.size());
    LONG rc = RegQueryValueExW(key.get(), wideName.c_str(), nullptr, &type, buffer.data(), &size);
    // The value may grow between the two calls; ask again until it fits.
    for (int attempt = 0; rc == ERROR_MORE_DATA && attempt < 8; ++attempt) {
        buffer.resize(size);
        rc = RegQueryValueExW(key.get(), wideName.c_str(), nullptr, &type, buffer.data(), &size);
    }
    if (rc != ERROR_SUCCESS)
        return std::nullopt;
    return ValueOf(type, buffer.data(), size);
}

bool WinRegistry::setValue(RegRoot root, std::string_view path, std::string_view name,
                           const RawRegValue& value) {
    const auto key = OpenKey(root, path, KEY_WRITE);
    if (!key)
        return false;
    const std::wstring wideName = Widen(name);
    std::vector<BYTE> data;
    if (IsStringType(value.type)) {
        const std::wstring wide =
            Widen(std::string_view(reinterpret_cast<const char*>(value.data.data()), value.data.size()));
        data.resize(wide.size() * sizeof(wchar_t));
        if (!data.empty())
            memcpy(data.data(), wide.data(), data.size());
    } else {
        data.assign(value.data.begin(), value.data.end());
    }
    return RegSetValueExW(key.get(), wideName.c_str(), 0, value.type, data.empty() ? nullptr : data.data(),
                          static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
}

bool WinRegistry::deleteValue(RegRoot root, std::string_view path, std::string_view name) {
    const auto key = OpenKey(root, path, KEY_SET_VALUE);
    if (!key)
        return false;
    return RegDeleteValueW(key.get(), Widen(name).c_str()) == ERROR_SUCCESS;
}

bool WinRegistry::createKey(RegRoot root, std::string_view path) {
    UniqueRegKey key;
    return RegCreateKeyExW(RootHandle(root), Widen(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                           KEY_WRITE | ViewOf(root), nullptr, key.put(), nullptr) == ERROR_SUCCESS;
}

bool WinRegistry::deleteKey(RegRoot root, std::string_view path) {
    if (path.empty())
        return false;
    return RegDeleteKeyExW(RootHandle(root), Widen(path).c_str(), ViewOf(root), 0) == ERROR_SUCCESS;
}

std::optional<std::vector<std::pair<std::string, RawRegValue>>>
WinRegistry::values(RegRoot root, std::string_view path) const {
    const auto key = OpenKey(root, path, KEY_READ);
    if (!key)
        return std::nullopt;
    std::vector<std::pair<std::string, RawRegValue>> values;
    std::vector<wchar_t> name(16384); // the longest value name there can be, and its null
    std::vector<BYTE> buffer(1024);
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(name.size());
        DWORD type = REG_NONE;
        DWORD size = static_cast<DWORD>(buffer.size());
        LONG rc = RegEnumValueW(key.get(), index, name.data(), &length, nullptr, &type, buffer.data(), &size);
        if (rc == ERROR_MORE_DATA) {
            buffer.resize(size);
            length = static_cast<DWORD>(name.size());
            rc = RegEnumValueW(key.get(), index, name.data(), &length, nullptr, &type, buffer.data(), &size);
        }
        if (rc != ERROR_SUCCESS)
            break;
        values.emplace_back(Narrow(std::wstring_view(name.data(), length)),
                            ValueOf(type, buffer.data(), size));
    }
    return values;
}

std::optional<std::vector<std::string>> WinRegistry::subkeys(RegRoot root, std::string_view path) const {
    UniqueRegKey key;
    if (path.empty()) {
        key.reset(RootHandle(root)); // predefined handles need no closing, but closing them is harmless
    } else {
        key = OpenKey(root, path, KEY_READ);
        if (!key)
            return std::nullopt;
    }
    std::vector<std::string> names;
    wchar_t name[260];
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(std::size(name));
        if (RegEnumKeyExW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        names.push_back(Narrow(std::wstring_view(name, length)));
    }
    if (path.empty())
        key.release();
    return names;
}

} // namespace ps
