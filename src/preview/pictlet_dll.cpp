// Pictlet.dll: the in-process server of the acBMPreview control, with the
// four usual exports. Registration writes the class for the current user
// (no administrator rights needed) and, where allowed, for the machine.
// COM interfaces have no virtual destructors by design: objects delete
// themselves in Release.
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

#include "preview/pictlet.h"
#include "platform/handles.h"
#include "preview/pictlet_control.h"

#include <ocidl.h>
#include <olectl.h>

#include <atomic>
#include <new>
#include <string>
#include <utility>

namespace pictlet {
namespace {

HINSTANCE g_module = nullptr;
std::atomic<long> g_locks{0};

class ClassFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *out = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; } // a static object
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (out == nullptr)
            return E_POINTER;
        *out = nullptr;
        if (outer != nullptr)
            return CLASS_E_NOAGGREGATION;
        return CreateControl(iid, out);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        g_locks += lock ? 1 : -1;
        return S_OK;
    }
};

ClassFactory g_factory;

std::wstring GuidText(const GUID& guid) {
    wchar_t text[64];
    StringFromGUID2(guid, text, 64);
    return text;
}

bool SetValue(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& value) {
    ps::UniqueRegKey key;
    if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.put(), nullptr) !=
        ERROR_SUCCESS)
        return false;
    const LONG rc = RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    return rc == ERROR_SUCCESS;
}

constexpr wchar_t kClasses[] = L"Software\\Classes\\";
#ifdef _WIN64
constexpr wchar_t kTypeLibPlatform[] = L"win64";
#else
constexpr wchar_t kTypeLibPlatform[] = L"win32";
#endif

// Where dispatch interfaces are marshalled: the platform's own proxy for
// interfaces described by a type library.
constexpr GUID kDispatchProxy = {0x00020420, 0, 0, {0xc0, 0, 0, 0, 0, 0, 0, 0x46}};

// The class, its programmatic identifier, its type library (written as the
// platform's own RegisterTypeLib would, but into the given root) and the two
// dispatch interfaces the library describes.
bool Register(HKEY root) {
    wchar_t module[MAX_PATH];
    const DWORD length = GetModuleFileNameW(g_module, module, MAX_PATH);
    if (length == 0 || length == MAX_PATH)
        return false;
    std::wstring folder(module, length);
    folder.erase(folder.find_last_of(L'\\') + 1);
    const std::wstring classes = kClasses;
    const std::wstring clsid = classes + L"CLSID\\" + GuidText(kClsid);
    const std::wstring lib = classes + L"TypeLib\\" + GuidText(kLibid) + L"\\1.0";
    bool ok = SetValue(root, clsid, nullptr, L"acBMPreview");
    ok = ok && SetValue(root, clsid + L"\\InprocServer32", nullptr, module);
    ok = ok && SetValue(root, clsid + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
    ok = ok && SetValue(root, clsid + L"\\ProgID", nullptr, kProgId);
    ok = ok && SetValue(root, clsid + L"\\Control", nullptr, L"");
    ok = ok && SetValue(root, clsid + L"\\TypeLib", nullptr, GuidText(kLibid));
    ok = ok && SetValue(root, clsid + L"\\Version", nullptr, L"1.0");
    ok = ok && SetValue(root, clsid + L"\\MiscStatus", nullptr, L"0");
    ok = ok && SetValue(root, clsid + L"\\MiscStatus\\1", nullptr, std::to_wstring(kMiscStatus));
    ok = ok && SetValue(root, classes + kProgId, nullptr, kDescription);
    ok = ok && SetValue(root, classes + kProgId + L"\\CLSID", nullptr, GuidText(kClsid));
    ok = ok && SetValue(root, lib, nullptr, L"Pictlet DWG thumbnail control");
    ok = ok && SetValue(root, lib + L"\\0\\" + kTypeLibPlatform, nullptr, module);
    ok = ok && SetValue(root, lib + L"\\FLAGS", nullptr, L"0");
    ok = ok && SetValue(root, lib + L"\\HELPDIR", nullptr, folder);
    for (const auto& [iid, name] :
         {std::pair{kDispatchIid, L"_acBMPreview"}, std::pair{kEventsIid, L"__acBMPreview"}}) {
        const std::wstring key = classes + L"Interface\\" + GuidText(iid);
        ok = ok && SetValue(root, key, nullptr, name);
        ok = ok && SetValue(root, key + L"\\ProxyStubClsid32", nullptr, GuidText(kDispatchProxy));
        ok = ok && SetValue(root, key + L"\\TypeLib", nullptr, GuidText(kLibid));
        ok = ok && SetValue(root, key + L"\\TypeLib", L"Version", L"1.0");
    }
    return ok;
}

void DeleteTree(HKEY root, const std::wstring& path) {
    RegDeleteTreeW(root, path.c_str());
    RegDeleteKeyW(root, path.c_str());
}

bool KeyExists(HKEY root, const std::wstring& path, REGSAM view = 0) {
    ps::UniqueRegKey key;
    return RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, key.put()) == ERROR_SUCCESS;
}

// Deletes the key when nothing is left below it.
void DeleteIfEmpty(HKEY root, const std::wstring& path) {
    RegDeleteKeyW(root, path.c_str()); // fails while the key has subkeys
}

// The 32-bit and the 64-bit control register side by side: the class and
// the interfaces in their own views, the type library and the programmatic
// identifier in keys both views share. What the other platform's copy still
// uses stays.
void Unregister(HKEY root) {
    const std::wstring classes = kClasses;
    DeleteTree(root, classes + L"CLSID\\" + GuidText(kClsid));
    DeleteTree(root, classes + L"Interface\\" + GuidText(kDispatchIid));
    DeleteTree(root, classes + L"Interface\\" + GuidText(kEventsIid));
#ifdef _WIN64
    constexpr REGSAM kOtherView = KEY_WOW64_32KEY;
#else
    constexpr REGSAM kOtherView = KEY_WOW64_64KEY;
#endif
    if (!KeyExists(root, classes + L"CLSID\\" + GuidText(kClsid), kOtherView))
        DeleteTree(root, classes + kProgId);
    const std::wstring lib = classes + L"TypeLib\\" + GuidText(kLibid);
    DeleteTree(root, lib + L"\\1.0\\0\\" + kTypeLibPlatform);
    DeleteIfEmpty(root, lib + L"\\1.0\\0");
    if (!KeyExists(root, lib + L"\\1.0\\0")) {
        DeleteTree(root, lib + L"\\1.0");
        DeleteIfEmpty(root, lib);
    }
}

} // namespace

} // namespace pictlet

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        pictlet::g_module = instance;
        DisableThreadLibraryCalls(instance);
        pictlet::RegisterWindowClass(instance);
    } else if (reason == DLL_PROCESS_DETACH) {
        pictlet::UnregisterWindowClass();
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (out == nullptr)
        return E_POINTER;
    *out = nullptr;
    if (clsid != pictlet::kClsid)
        return CLASS_E_CLASSNOTAVAILABLE;
    return pictlet::g_factory.QueryInterface(iid, out);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return pictlet::LiveObjects() == 0 && pictlet::g_locks == 0 ? S_OK : S_FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
    // Per user always; for the whole machine only where this user may write.
    const bool user = pictlet::Register(HKEY_CURRENT_USER);
    pictlet::Register(HKEY_LOCAL_MACHINE);
    return user ? S_OK : SELFREG_E_CLASS;
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
    pictlet::Unregister(HKEY_CURRENT_USER);
    pictlet::Unregister(HKEY_LOCAL_MACHINE);
    return S_OK;
}
