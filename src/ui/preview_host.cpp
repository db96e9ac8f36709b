#include "ui/preview_host.h"

#include "platform/text.h"
#include "platform/win_paths.h"
#include "preview/pictlet.h"

extern "C" BOOL WINAPI AtlAxWinInit();
extern "C" HRESULT WINAPI AtlAxGetControl(HWND window, IUnknown** control);

namespace ps {
namespace {

// Registers Pictlet.dll from the program's folder for the current user.
bool RegisterBesideProgram() {
    const std::wstring dll = Widen(ProgramFolder() + "\\Pictlet.dll");
    const HMODULE module = LoadLibraryW(dll.c_str());
    if (module == nullptr)
        return false;
    using RegisterFn = HRESULT(STDAPICALLTYPE*)();
    const auto registerServer =
        reinterpret_cast<RegisterFn>(reinterpret_cast<void*>(GetProcAddress(module, "DllRegisterServer")));
    const bool ok = registerServer != nullptr && SUCCEEDED(registerServer());
    FreeLibrary(module);
    return ok;
}

void Put(IDispatch* control, DISPID id, VARIANT value) {
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&value, &named, 1, 1};
    control->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr,
                    nullptr);
}

void Call(IDispatch* control, DISPID id) {
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXCEPINFO error{};
    control->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, nullptr, &error, nullptr);
    SysFreeString(error.bstrSource);
    SysFreeString(error.bstrDescription);
    SysFreeString(error.bstrHelpFile);
}

// The host's window class, registered once per process (a second
// AtlAxWinInit fails because the class exists).
bool HostClassReady() {
    static const bool ready = [] {
        if (AtlAxWinInit())
            return true;
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        return GetClassInfoExW(nullptr, L"AtlAxWin", &wc) != FALSE ||
               GetClassInfoExW(GetModuleHandleW(L"atl.dll"), L"AtlAxWin", &wc) != FALSE;
    }();
    return ready;
}

} // namespace

HWND PreviewHost::create(HWND parent, int id) {
    if (!createControl(parent, id)) {
        if (window_ != nullptr)
            DestroyWindow(window_);
        control_.reset();
        window_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | SS_ETCHEDFRAME,
                                  0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                  GetModuleHandleW(nullptr), nullptr);
    }
    return window_;
}

bool PreviewHost::createControl(HWND parent, int id) {
    if (!HostClassReady())
        return false;
    CLSID clsid;
    if (FAILED(CLSIDFromProgID(pictlet::kProgId, &clsid)) && !RegisterBesideProgram())
        return false;
    window_ = CreateWindowExW(0, L"AtlAxWin", pictlet::kProgId, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0,
                              0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                              GetModuleHandleW(nullptr), nullptr);
    if (window_ == nullptr)
        return false;
    IUnknown* unknown = nullptr;
    if (FAILED(AtlAxGetControl(window_, &unknown)) || unknown == nullptr)
        return false;
    unknown->QueryInterface(IID_IDispatch, control_.putVoid());
    unknown->Release();
    return static_cast<bool>(control_);
}

void PreviewHost::show(const std::string& drawingPath) {
    if (!control_)
        return;
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BOOL;
    v.boolVal = VARIANT_TRUE;
    Put(control_.get(), pictlet::kStretchBMP, v);
    v.vt = VT_I2;
    v.iVal = pictlet::kEtched;
    Put(control_.get(), pictlet::kEdgeStyle, v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(Widen(drawingPath).c_str());
    Put(control_.get(), pictlet::kDrawingFile, v);
    SysFreeString(v.bstrVal);
    Call(control_.get(), pictlet::kPaintPreview);
    Call(control_.get(), pictlet::kRefresh);
}

} // namespace ps
