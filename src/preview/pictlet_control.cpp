// The acBMPreview control: dispatch interface by fixed DISPIDs described by
// the embedded type library, class information for event wiring, events
// through a connection point, in-place activation in a host window. The
// picture is in pictlet_picture.cpp, the properties in pictlet_properties.cpp.
// No C++ exception leaves a COM method.
#include "preview/pictlet_object.h"

#include "platform/window_entry.h"

#include <new>

namespace pictlet {
namespace {

constexpr wchar_t kWindowClass[] = L"PictletPreview";

std::atomic<long> g_objects{0};
HINSTANCE g_module = nullptr;

// The type library embedded in this module (resource TYPELIB 1).
HRESULT LoadOwnTypeLib(ITypeLib** lib) {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(ModuleInstance(), path, MAX_PATH);
    if (length == 0 || length == MAX_PATH)
        return TYPE_E_CANTLOADLIBRARY;
    return LoadTypeLibEx(path, REGKIND_NONE, lib);
}

} // namespace

std::wstring BstrText(BSTR b) {
    return b ? std::wstring(b, SysStringLen(b)) : std::wstring();
}

HRESULT Fill(EXCEPINFO* info, const Raised& e) {
    if (info != nullptr) {
        *info = EXCEPINFO{};
        info->bstrSource = SysAllocString(L"Pictlet.acBMPreview");
        info->bstrDescription = SysAllocString(e.description);
        info->scode = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, e.number);
    }
    return DISP_E_EXCEPTION;
}

HRESULT TypeInfoOf(REFGUID guid, ITypeInfo** info) {
    if (info == nullptr)
        return E_POINTER;
    *info = nullptr;
    ComPtr<ITypeLib> lib;
    const HRESULT hr = LoadOwnTypeLib(lib.put());
    return FAILED(hr) ? hr : lib->GetTypeInfoOfGuid(guid, info);
}

Control::Control() : events_(*this) {
    ++g_objects;
}

Control::~Control() {
    events_.disconnectAll();
    image_.reset();
    if (window_ != nullptr) {
        // The window outlives the object by a moment: it must not call back.
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
    --g_objects;
}

ULONG EventPoint::AddRef() {
    return owner_.AddRef();
}
ULONG EventPoint::Release() {
    return owner_.Release();
}
HRESULT EventPoint::GetConnectionPointContainer(IConnectionPointContainer** out) {
    if (out == nullptr)
        return E_POINTER;
    *out = static_cast<IConnectionPointContainer*>(&owner_);
    owner_.AddRef();
    return S_OK;
}

HRESULT Control::activate(HWND parent, LPCRECT rect) {
    if (window_ != nullptr)
        return S_OK;
    ComPtr<IOleInPlaceSite> inPlace;
    if (site_)
        site_->QueryInterface(IID_IOleInPlaceSite, inPlace.putVoid());
    if (parent == nullptr && inPlace)
        inPlace->GetWindow(&parent);
    RECT position{0, 0, 100, 100};
    if (rect != nullptr)
        position = *rect;
    if (inPlace)
        inPlace->OnInPlaceActivate();
    window_ = CreateWindowExW(0, kWindowClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, position.left,
                              position.top, position.right - position.left, position.bottom - position.top,
                              parent, nullptr, ModuleInstance(), this);
    return window_ != nullptr ? S_OK : E_FAIL;
}

void Control::fireMouse(DISPID id, WPARAM wp, LPARAM lp, short button) {
    short shift = 0;
    if (GetKeyState(VK_SHIFT) < 0)
        shift |= 1;
    if ((wp & MK_CONTROL) != 0)
        shift |= 2;
    if (GetKeyState(VK_MENU) < 0)
        shift |= 4;
    if (id == kMouseMove) {
        button = 0;
        if ((wp & MK_LBUTTON) != 0)
            button |= 1;
        if ((wp & MK_RBUTTON) != 0)
            button |= 2;
        if ((wp & MK_MBUTTON) != 0)
            button |= 4;
    }
    VARIANT b, s, x, y;
    b.vt = VT_I2;
    b.iVal = button;
    s.vt = VT_I2;
    s.iVal = shift;
    x.vt = VT_R4;
    x.fltVal = static_cast<float>(static_cast<short>(LOWORD(lp)));
    y.vt = VT_R4;
    y.fltVal = static_cast<float>(static_cast<short>(HIWORD(lp)));
    events_.fire(id, {b, s, x, y});
}

LRESULT Control::handle(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    // An event sink may release the last reference from inside an event: the
    // control lives until the message that raised it has been handled.
    AddRef();
    struct Held {
        Control& control;
        ~Held() { control.Release(); }
    } held{*this};
    return onMessage(hwnd, msg, wp, lp);
}

LRESULT Control::onMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT: {
        const ps::PaintScope paint(hwnd);
        paintSurface(paint.dc());
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
        focused_ = msg == WM_SETFOCUS;
        RECT r;
        GetClientRect(hwnd, &r);
        RECT focus{r.left + 5, r.top + 5, r.right - 5, r.bottom - 5};
        ps::WindowDc dc(hwnd);
        DrawFocusRect(dc.get(), &focus);
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        SetFocus(hwnd);
        fireMouse(kMouseDown, wp, lp, msg == WM_LBUTTONDOWN ? 1 : msg == WM_RBUTTONDOWN ? 2 : 4);
        return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        fireMouse(kMouseUp, wp, lp, msg == WM_LBUTTONUP ? 1 : msg == WM_RBUTTONUP ? 2 : 4);
        if (msg == WM_LBUTTONUP)
            events_.fire(kClick, {});
        return 0;
    case WM_LBUTTONDBLCLK:
        events_.fire(kDblClick, {});
        return 0;
    case WM_MOUSEMOVE:
        fireMouse(kMouseMove, wp, lp, 0);
        return 0;
    case WM_NCDESTROY:
        if (window_ == hwnd)
            window_ = nullptr;
        break;
    default:
        break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

HINSTANCE ModuleInstance() {
    return g_module;
}

void RegisterWindowClass(HINSTANCE module) {
    g_module = module;
    WNDCLASSW wc{};
    wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = ps::WindowEntry<Control>;
    wc.hInstance = ModuleInstance();
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = kWindowClass;
    RegisterClassW(&wc);
}

void UnregisterWindowClass() {
    UnregisterClassW(kWindowClass, ModuleInstance());
}

HRESULT CreateControl(REFIID iid, void** out) {
    auto* control = new (std::nothrow) Control();
    if (control == nullptr)
        return E_OUTOFMEMORY;
    const HRESULT hr = control->QueryInterface(iid, out);
    control->Release();
    return hr;
}

long LiveObjects() {
    return g_objects;
}

} // namespace pictlet