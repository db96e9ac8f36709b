// Pictlet.dll: the in-process server of the acBMPreview control, with the
// four usual exports. Registration writes the class for the current user
// (no administrator rights needed) and, where allowed, for the machine.
// COM interfaces have no virtual destructors by design: objects delete
// themselves in Release.
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

#include "preview/pictlet.h"
#include "preview/pictlet_control.h"

#include <ocidl.h>
#include <olectl.h>

#include <atomic>
#include <new>
#include <string>

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
    HKEY key = nullptr;
    if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const LONG rc = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

bool Register(HKEY root) {
    wchar_t module[MAX_PATH];
    GetModuleFileNameW(g_module, module, MAX_PATH);
    const std::wstring classes = L"Software\\Classes\\";
    const std::wstring clsid = classes + L"CLSID\\" + GuidText(kClsid);
    bool ok = SetValue(root, clsid, nullptr, L"acBMPreview");
    ok = ok && SetValue(root, clsid + L"\\InprocServer32", nullptr, module);
    ok = ok && SetValue(root, clsid + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
    ok = ok && SetValue(root, clsid + L"\\ProgID", nullptr, kProgId);
    ok = ok && SetValue(root, clsid + L"\\Control", nullptr, L"");
    ok = ok && SetValue(root, classes + kProgId, nullptr, kDescription);
    ok = ok && SetValue(root, classes + kProgId + L"\\CLSID", nullptr, GuidText(kClsid));
    return ok;
}

void Unregister(HKEY root) {
    const std::wstring classes = L"Software\\Classes\\";
    RegDeleteTreeW(root, (classes + L"CLSID\\" + GuidText(kClsid)).c_str());
    RegDeleteKeyW(root, (classes + L"CLSID\\" + GuidText(kClsid)).c_str());
    RegDeleteTreeW(root, (classes + kProgId).c_str());
    RegDeleteKeyW(root, (classes + kProgId).c_str());
}

} // namespace

HINSTANCE ModuleInstance() {
    return g_module;
}

} // namespace pictlet

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        pictlet::g_module = instance;
        DisableThreadLibraryCalls(instance);
        pictlet::RegisterWindowClass();
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
