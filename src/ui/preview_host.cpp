#include "ui/preview_host.h"

#include "platform/text.h"
#include "platform/win_paths.h"
#include "preview/pictlet.h"
#include "ui/win_ui.h"

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
    ExcepInfo error;
    control->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, nullptr, &error, nullptr);
}

// The control host's library, loaded with the first preview.
using AxWinInit = BOOL WINAPI();
using AxGetControl = HRESULT WINAPI(HWND window, IUnknown** control);

// The host's window class, registered once per process (a second
// AtlAxWinInit fails because the class exists).
bool HostClassReady() {
    static const bool ready = [] {
        const auto init = LateSystemFunction<AxWinInit>(L"atl.dll", "AtlAxWinInit");
        if (init == nullptr)
            return false;
        if (init())
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
    // The control's own look before it has a picture: the window's face, no edge.
    window_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0, 0, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                              nullptr);
    return window_;
}

void PreviewHost::makeControl() {
    if (made_ || window_ == nullptr)
        return;
    made_ = true;
    const HWND parent = GetParent(window_);
    const int id = GetDlgCtrlID(window_);
    RECT place;
    GetWindowRect(window_, &place);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&place), 2);
    const HWND standIn = window_;
    window_ = nullptr;
    if (!createControl(parent, id, place)) {
        if (window_ != nullptr)
            DestroyWindow(window_);
        control_.reset();
        window_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | SS_ETCHEDFRAME,
                                  place.left, place.top, place.right - place.left, place.bottom - place.top,
                                  parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                  GetModuleHandleW(nullptr), nullptr);
    }
    // In the stand-in's place in the sibling order too.
    SetWindowPos(window_, standIn, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    DestroyWindow(standIn);
}

bool PreviewHost::createControl(HWND parent, int id, const RECT& place) {
    if (!HostClassReady())
        return false;
    CLSID clsid;
    if (FAILED(CLSIDFromProgID(pictlet::kProgId, &clsid)) && !RegisterBesideProgram())
        return false;
    window_ = CreateWindowExW(0, L"AtlAxWin", pictlet::kProgId, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                              place.left, place.top, place.right - place.left, place.bottom - place.top,
                              parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                              GetModuleHandleW(nullptr), nullptr);
    if (window_ == nullptr)
        return false;
    IUnknown* unknown = nullptr;
    const auto getControl = LateSystemFunction<AxGetControl>(L"atl.dll", "AtlAxGetControl");
    if (getControl == nullptr || FAILED(getControl(window_, &unknown)) || unknown == nullptr)
        return false;
    unknown->QueryInterface(IID_IDispatch, control_.putVoid());
    unknown->Release();
    return static_cast<bool>(control_);
}

void PreviewHost::show(const std::string& drawingPath) {
    if (!made_ && drawingPath.empty())
        return; // nothing to show: the stand-in shows it
    makeControl();
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
    Variant path;
    path->vt = VT_BSTR;
    path->bstrVal = SysAllocString(Widen(drawingPath).c_str());
    Put(control_.get(), pictlet::kDrawingFile, path.get());
    Call(control_.get(), pictlet::kPaintPreview);
    Call(control_.get(), pictlet::kRefresh);
}

} // namespace ps
