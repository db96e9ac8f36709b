// The acBMPreview control: dispatch interface by fixed DISPIDs described by
// the embedded type library, class information for event wiring, events
// through a connection point, persistence in a property bag or a stream,
// in-place activation in a host window, drawing into any device context for
// windowless hosts, and painting of the thumbnail the reader found. No C++
// exception leaves a COM method.
// COM interfaces have no virtual destructors by design: objects delete
// themselves in Release.
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

#include "preview/pictlet_control.h"

#include "platform/handles.h"
#include "preview/pictlet.h"
#include "preview/thumbnail.h"

#include <ocidl.h>
#include <olectl.h>
#include <shlwapi.h>
#include <wincodec.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <new>
#include <string>
#include <vector>

namespace pictlet {
namespace {

using ps::ComPtr;

constexpr wchar_t kWindowClass[] = L"PictletPreview";

std::atomic<long> g_objects{0};

std::wstring BstrText(BSTR b) {
    return b ? std::wstring(b, SysStringLen(b)) : std::wstring();
}

// An error for the caller in the form the platform's scripting raises: a
// control-facility HRESULT with the error number, source and description.
struct Raised {
    long number;
    const wchar_t* description;
};

HRESULT Fill(EXCEPINFO* info, const Raised& e) {
    if (info != nullptr) {
        *info = EXCEPINFO{};
        info->bstrSource = SysAllocString(L"Pictlet.acBMPreview");
        info->bstrDescription = SysAllocString(e.description);
        info->scode = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, e.number);
    }
    return DISP_E_EXCEPTION;
}

int RoundHalfEven(double v) {
    return static_cast<int>(std::nearbyint(v));
}

// The type library embedded in this module (resource TYPELIB 1).
HRESULT LoadOwnTypeLib(ITypeLib** lib) {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(ModuleInstance(), path, MAX_PATH);
    if (length == 0 || length == MAX_PATH)
        return TYPE_E_CANTLOADLIBRARY;
    return LoadTypeLibEx(path, REGKIND_NONE, lib);
}

HRESULT TypeInfoOf(REFGUID guid, ITypeInfo** info) {
    if (info == nullptr)
        return E_POINTER;
    *info = nullptr;
    ComPtr<ITypeLib> lib;
    const HRESULT hr = LoadOwnTypeLib(lib.put());
    return FAILED(hr) ? hr : lib->GetTypeInfoOfGuid(guid, info);
}

// The picture being shown: a memory device context with its bitmap selected
// into it. Ends in the right order: the context gets its object back, then the
// context and the bitmap are deleted.
struct Image {
    Image(ps::UniqueMemoryDc memoryDc, ps::UniqueBitmap picture, int w, int h)
        : bitmap(std::move(picture)), dc(std::move(memoryDc)),
          selection(std::make_unique<ps::ScopedSelect>(dc.get(), bitmap.get())), width(w), height(h) {}
    ps::UniqueBitmap bitmap;
    ps::UniqueMemoryDc dc;
    std::unique_ptr<ps::ScopedSelect> selection;
    int width;
    int height;
};

class Control;

// The single connection point for the control's events.
class EventPoint final : public IConnectionPoint {
public:
    explicit EventPoint(Control& owner) : owner_(owner) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IConnectionPoint) {
            *out = static_cast<IConnectionPoint*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override {
        if (iid == nullptr)
            return E_POINTER;
        *iid = kEventsIid;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** out) override;
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override {
        if (sink == nullptr || cookie == nullptr)
            return E_POINTER;
        IDispatch* dispatch = nullptr;
        if (FAILED(sink->QueryInterface(kEventsIid, reinterpret_cast<void**>(&dispatch))) &&
            FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch))))
            return CONNECT_E_CANNOTCONNECT;
        try {
            sinks_.push_back(dispatch);
        } catch (...) {
            dispatch->Release();
            return E_OUTOFMEMORY;
        }
        *cookie = static_cast<DWORD>(sinks_.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
        if (cookie == 0 || cookie > sinks_.size() || sinks_[cookie - 1] == nullptr)
            return CONNECT_E_NOCONNECTION;
        sinks_[cookie - 1]->Release();
        sinks_[cookie - 1] = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** out) override {
        if (out != nullptr)
            *out = nullptr;
        return E_NOTIMPL;
    }

    void fire(DISPID id, std::vector<VARIANT> argsInOrder) {
        // DISPPARAMS holds arguments last first.
        std::vector<VARIANT> reversed(argsInOrder.rbegin(), argsInOrder.rend());
        DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), nullptr,
                          static_cast<UINT>(reversed.size()), 0};
        // A sink may unadvise itself or another sink from inside its event:
        // each sink called keeps a reference of its own until the call is over.
        std::vector<ComPtr<IDispatch>> sinks;
        try {
            for (IDispatch* sink : sinks_) {
                if (sink != nullptr) {
                    sink->AddRef();
                    *sinks.emplace_back().put() = sink;
                }
            }
        } catch (...) {
            return; // out of memory: the event is lost, nothing else
        }
        for (const auto& sink : sinks)
            sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr,
                         nullptr);
    }
    void disconnectAll() {
        for (IDispatch*& sink : sinks_) {
            if (sink != nullptr)
                sink->Release();
            sink = nullptr;
        }
    }

private:
    Control& owner_;
    std::vector<IDispatch*> sinks_;
};

class Control final : public IDispatch,
                      public IOleObject,
                      public IOleInPlaceObject,
                      public IOleControl,
                      public IPersistPropertyBag,
                      public IPersistStreamInit,
                      public IConnectionPointContainer,
                      public IProvideClassInfo2,
                      public IViewObject2 {
public:
    Control() : events_(*this) { ++g_objects; }
    ~Control() {
        events_.disconnectAll();
        image_.reset();
        if (window_ != nullptr) {
            // The window outlives the object by a moment: it must not call back.
            SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
            DestroyWindow(window_);
        }
        --g_objects;
    }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == kDispatchIid)
            *out = static_cast<IDispatch*>(this);
        else if (iid == IID_IOleObject)
            *out = static_cast<IOleObject*>(this);
        else if (iid == IID_IOleInPlaceObject || iid == IID_IOleWindow)
            *out = static_cast<IOleInPlaceObject*>(this);
        else if (iid == IID_IOleControl)
            *out = static_cast<IOleControl*>(this);
        else if (iid == IID_IPersistPropertyBag || iid == IID_IPersist)
            *out = static_cast<IPersistPropertyBag*>(this);
        else if (iid == IID_IPersistStreamInit)
            *out = static_cast<IPersistStreamInit*>(this);
        else if (iid == IID_IConnectionPointContainer)
            *out = static_cast<IConnectionPointContainer*>(this);
        else if (iid == IID_IProvideClassInfo || iid == IID_IProvideClassInfo2)
            *out = static_cast<IProvideClassInfo2*>(this);
        else if (iid == IID_IViewObject || iid == IID_IViewObject2)
            *out = static_cast<IViewObject2*>(this);
        else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const long left = --refs_;
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count == nullptr)
            return E_POINTER;
        *count = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
        if (index != 0) {
            if (info != nullptr)
                *info = nullptr;
            return DISP_E_BADINDEX;
        }
        return TypeInfoOf(kDispatchIid, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        static const struct {
            const wchar_t* name;
            DISPID id;
        } members[] = {{L"Enabled", kEnabled},
                       {L"BackColor", kBackColor},
                       {L"EdgeStyle", kEdgeStyle},
                       {L"StretchBMP", kStretchBMP},
                       {L"BMPBackground", kBMPBackground},
                       {L"DefaultBitmap", kDefaultBitmap},
                       {L"DrawingFile", kDrawingFile},
                       {L"PaintPreview", kPaintPreview},
                       {L"Refresh", kRefresh}};
        if (names == nullptr || ids == nullptr)
            return E_POINTER;
        HRESULT hr = S_OK;
        for (UINT i = 0; i < count; ++i) {
            ids[i] = DISPID_UNKNOWN;
            if (i > 0) {
                hr = DISP_E_UNKNOWNNAME; // members take no named arguments
                continue;
            }
            for (const auto& m : members)
                if (lstrcmpiW(names[i], m.name) == 0)
                    ids[i] = m.id;
            if (ids[i] == DISPID_UNKNOWN)
                hr = DISP_E_UNKNOWNNAME;
        }
        return hr;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* info, UINT* argError) override {
        try {
            return invoke(id, flags, params, result, info, argError);
        } catch (const std::bad_alloc&) {
            return Fill(info, Raised{7, L"Out of memory"});
        } catch (...) {
            return E_UNEXPECTED;
        }
    }

    // IOleObject
    HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override {
        site_.reset();
        if (site != nullptr) {
            site->AddRef();
            *site_.put() = site;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) override {
        if (site == nullptr)
            return E_POINTER;
        *site = site_.get();
        if (*site != nullptr)
            (*site)->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Close(DWORD) override {
        InPlaceDeactivate();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** m) override {
        if (m != nullptr)
            *m = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject** d) override {
        if (d != nullptr)
            *d = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent,
                                     LPCRECT rect) override {
        if (verb != OLEIVERB_INPLACEACTIVATE && verb != OLEIVERB_SHOW && verb != OLEIVERB_UIACTIVATE &&
            verb != OLEIVERB_PRIMARY)
            return OLEOBJ_S_INVALIDVERB;
        if (site != nullptr && !site_)
            SetClientSite(site);
        return activate(parent, rect);
    }
    HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB** e) override {
        if (e != nullptr)
            *e = nullptr;
        return OLEOBJ_E_NOVERBS;
    }
    HRESULT STDMETHODCALLTYPE Update() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE IsUpToDate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* clsid) override { return GetClassID(clsid); }
    HRESULT STDMETHODCALLTYPE GetUserType(DWORD, LPOLESTR* type) override {
        if (type == nullptr)
            return E_POINTER;
        *type = static_cast<LPOLESTR>(CoTaskMemAlloc(sizeof kDescription));
        if (*type == nullptr)
            return E_OUTOFMEMORY;
        memcpy(*type, kDescription, sizeof kDescription);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetExtent(DWORD, SIZEL* size) override {
        if (size == nullptr)
            return E_POINTER;
        extent_ = *size;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD, SIZEL* size) override {
        if (size == nullptr)
            return E_POINTER;
        *size = extent_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Advise(IAdviseSink*, DWORD* c) override {
        if (c != nullptr)
            *c = 0;
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD) override { return OLE_E_NOCONNECTION; }
    HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** e) override {
        if (e != nullptr)
            *e = nullptr;
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD, DWORD* status) override {
        if (status == nullptr)
            return E_POINTER;
        *status = kMiscStatus;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // IOleWindow / IOleInPlaceObject
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* hwnd) override {
        if (hwnd == nullptr)
            return E_POINTER;
        *hwnd = window_;
        return window_ != nullptr ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override {
        if (window_ != nullptr) {
            DestroyWindow(window_);
            window_ = nullptr;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE UIDeactivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT pos, LPCRECT) override {
        if (pos != nullptr && window_ != nullptr)
            MoveWindow(window_, pos->left, pos->top, pos->right - pos->left, pos->bottom - pos->top, TRUE);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override { return E_NOTIMPL; }

    // IOleControl
    HRESULT STDMETHODCALLTYPE GetControlInfo(CONTROLINFO* info) override {
        if (info == nullptr)
            return E_POINTER;
        info->hAccel = nullptr;
        info->cAccel = 0;
        info->dwFlags = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnMnemonic(MSG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnAmbientPropertyChange(DISPID) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE FreezeEvents(BOOL) override { return S_OK; }

    // IPersist / IPersistPropertyBag / IPersistStreamInit
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override {
        if (clsid == nullptr)
            return E_POINTER;
        *clsid = kClsid;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE InitNew() override {
        edgeStyle_ = kNone;
        background_ = kBlack;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Load(IPropertyBag* bag, IErrorLog* log) override;
    HRESULT STDMETHODCALLTYPE Save(IPropertyBag* bag, BOOL clearDirty, BOOL saveAll) override;
    HRESULT STDMETHODCALLTYPE IsDirty() override { return dirty_ ? S_OK : S_FALSE; }
    HRESULT STDMETHODCALLTYPE Load(LPSTREAM stream) override;
    HRESULT STDMETHODCALLTYPE Save(LPSTREAM stream, BOOL clearDirty) override;
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* size) override {
        if (size == nullptr)
            return E_POINTER;
        try {
            size->QuadPart = streamBytes().size();
            return S_OK;
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }

    // IProvideClassInfo2
    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** info) override { return TypeInfoOf(kClsid, info); }
    HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID* guid) override {
        if (guid == nullptr)
            return E_POINTER;
        if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
            *guid = GUID_NULL;
            return E_INVALIDARG;
        }
        *guid = kEventsIid;
        return S_OK;
    }

    // IViewObject2: the same painting as the window, into the caller's context.
    HRESULT STDMETHODCALLTYPE Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds,
                                   LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) override {
        if (aspect != DVASPECT_CONTENT)
            return DV_E_DVASPECT;
        if (dc == nullptr || bounds == nullptr)
            return E_INVALIDARG;
        const RECT area{bounds->left, bounds->top, bounds->right, bounds->bottom};
        paint(dc, area);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC,
                                          LOGPALETTE** set) override {
        if (set != nullptr)
            *set = nullptr;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Freeze(DWORD, LONG, void*, DWORD* cookie) override {
        if (cookie != nullptr)
            *cookie = 0;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Unfreeze(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetAdvise(DWORD, DWORD, IAdviseSink*) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override {
        if (aspects != nullptr)
            *aspects = 0;
        if (flags != nullptr)
            *flags = 0;
        if (sink != nullptr)
            *sink = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) override {
        if (size == nullptr)
            return E_POINTER;
        if (aspect != DVASPECT_CONTENT)
            return DV_E_DVASPECT;
        *size = extent_;
        return S_OK;
    }

    // IConnectionPointContainer
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** e) override {
        if (e != nullptr)
            *e = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) override {
        if (point == nullptr)
            return E_POINTER;
        *point = nullptr;
        if (iid != kEventsIid)
            return CONNECT_E_NOCONNECTION;
        *point = &events_;
        events_.AddRef();
        return S_OK;
    }

    LRESULT windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

private:
    friend class EventPoint;

    HRESULT invoke(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* info,
                   UINT* argError);
    HRESULT activate(HWND parent, LPCRECT rect);
    bool setImage(ps::UniqueBitmap bitmap, int width, int height);
    std::string streamBytes() const;
    void showDefaultBitmap();
    bool makeDibImage(const ps::DibImage& dib);
    bool makePngImage(const ps::PngPicture& png);
    std::optional<Raised> paintPreview();
    // Reads what the drawing's image area needs; a Raised error when it cannot.
    std::optional<Raised> readImageArea(HANDLE file, ps::ImageArea& area) const;
    void paint(HDC dc, RECT border);
    void paintSurface(HDC dc); // the window's client area with its focus rectangle
    void paintNow();
    void fireMouse(DISPID id, WPARAM wp, LPARAM lp, short button);

    std::atomic<long> refs_{1};
    EventPoint events_;
    ComPtr<IOleClientSite> site_;
    HWND window_ = nullptr;
    SIZEL extent_{5080, 2540};

    // Properties
    bool enabled_ = true;
    OLE_COLOR backColor_ = kDefaultBackColor;
    short edgeStyle_ = kNone;
    bool stretch_ = false;
    LONG background_ = kBlack;
    std::wstring defaultBitmap_;
    std::wstring drawingFile_;
    bool dirty_ = false;
    bool focused_ = false;

    std::optional<Image> image_; // the picture being shown
};

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

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lp);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* control = reinterpret_cast<Control*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (control == nullptr)
        return DefWindowProcW(hwnd, msg, wp, lp);
    // An event sink may release the last reference from inside an event: the
    // control lives until the message that raised it has been handled.
    control->AddRef();
    LRESULT result = 0;
    try {
        result = control->windowProc(hwnd, msg, wp, lp);
    } catch (...) {
        result = DefWindowProcW(hwnd, msg, wp, lp);
    }
    control->Release();
    return result;
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

// Shows the bitmap from a memory context compatible with the control's.
bool Control::setImage(ps::UniqueBitmap bitmap, int width, int height) {
    image_.reset();
    ps::WindowDc screen(window_);
    ps::UniqueMemoryDc dc(CreateCompatibleDC(screen.get()));
    if (!dc || !bitmap)
        return false;
    image_.emplace(std::move(dc), std::move(bitmap), width, height);
    return true;
}

void Control::showDefaultBitmap() {
    if (defaultBitmap_.empty())
        return;
    ps::UniqueBitmap bitmap(static_cast<HBITMAP>(
        LoadImageW(nullptr, defaultBitmap_.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE)));
    if (!bitmap)
        return;
    BITMAP info{};
    GetObjectW(bitmap.get(), sizeof info, &info);
    if (setImage(std::move(bitmap), info.bmWidth, info.bmHeight))
        paintNow();
}

bool Control::makeDibImage(const ps::DibImage& dib) {
    const int height = std::abs(dib.height);
    ps::UniqueBitmap bitmap;
    {
        ps::WindowDc screen(window_);
        bitmap.reset(CreateCompatibleBitmap(screen.get(), dib.width, height));
        if (!bitmap)
            return false;
        SetDIBits(screen.get(), bitmap.get(), 0, static_cast<UINT>(height), dib.pixels.data(),
                  reinterpret_cast<const BITMAPINFO*>(dib.info.data()), DIB_RGB_COLORS);
    }
    return setImage(std::move(bitmap), dib.width, height);
}

bool Control::makePngImage(const ps::PngPicture& png) {
    ComPtr<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, factory.putVoid())))
        return false;
    ComPtr<IStream> stream(SHCreateMemStream(png.bytes.data(), static_cast<UINT>(png.bytes.size())));
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICFormatConverter> converter;
    if (!stream ||
        FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                                decoder.put())) ||
        FAILED(decoder->GetFrame(0, frame.put())) ||
        FAILED(factory->CreateFormatConverter(converter.put())) ||
        FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone,
                                     nullptr, 0, WICBitmapPaletteTypeCustom)))
        return false;
    UINT width = 0;
    UINT height = 0;
    converter->GetSize(&width, &height);
    if (width == 0 || height == 0 || width > ps::kMaxThumbnailSide || height > ps::kMaxThumbnailSide)
        return false;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = static_cast<LONG>(width);
    info.bmiHeader.biHeight = -static_cast<LONG>(height);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    ps::UniqueBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap ||
        FAILED(converter->CopyPixels(nullptr, width * 4, width * height * 4, static_cast<BYTE*>(bits))))
        return false;
    return setImage(std::move(bitmap), static_cast<int>(width), static_cast<int>(height));
}

std::optional<Raised> Control::paintPreview() {
    image_.reset();
    if (drawingFile_.empty())
        return Raised{75, L"Path/File access error"};
    // What the image area needs of the drawing is read at once and the file
    // closed again, whatever follows.
    ps::ImageArea area;
    {
        ps::UniqueFile file(CreateFileW(drawingFile_.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
                return Raised{53, L"File not found"};
            return Raised{75, L"Path/File access error"};
        }
        if (auto raised = readImageArea(file.get(), area))
            return raised;
    }
    if (area.offsetBeforeStart)
        return Raised{63, L"Bad record number"};
    if (area.wantsDefaultBitmap()) {
        showDefaultBitmap();
        return std::nullopt;
    }
    for (const auto& picture : area.pictures) {
        const bool made =
            picture.code == ps::kEntryBitmap ? makeDibImage(picture.dib) : makePngImage(picture.png);
        if (made)
            paintNow();
    }
    return std::nullopt;
}

namespace {

// Appends the file's bytes up to want; false on a read error.
bool ReadUpTo(HANDLE file, std::string& bytes, std::uint64_t want) {
    const std::size_t have = bytes.size();
    bytes.resize(static_cast<std::size_t>(want));
    DWORD got = 0;
    const bool read = ReadFile(file, bytes.data() + have, static_cast<DWORD>(want - have), &got, nullptr);
    bytes.resize(have + got);
    return read;
}

} // namespace

std::optional<Raised> Control::readImageArea(HANDLE file, ps::ImageArea& area) const {
    constexpr std::uint64_t kMostBytes = 512ull * 1024 * 1024;
    LARGE_INTEGER size{};
    GetFileSizeEx(file, &size);
    const auto read = ps::ReadImageAreaOf(
        static_cast<std::uint64_t>(size.QuadPart),
        [file](std::string& bytes, std::uint64_t want) { return ReadUpTo(file, bytes, want); }, kMostBytes,
        background_ == kBlack, area);
    if (read == ps::AreaRead::TooLarge)
        return Raised{7, L"Out of memory"};
    if (read == ps::AreaRead::ReadError)
        return Raised{57, L"Device I/O error"};
    return std::nullopt;
}

void Control::paint(HDC dc, RECT border) {
    COLORREF color = 0;
    OleTranslateColor(backColor_, nullptr, &color);
    ps::UniqueBrush brush(CreateSolidBrush(color));
    FillRect(dc, &border, brush.get());
    switch (edgeStyle_) {
    case kRaised:
        DrawEdge(dc, &border, BDR_RAISEDINNER, BF_RECT);
        break;
    case kSunken:
        DrawEdge(dc, &border, BDR_SUNKENOUTER, BF_RECT);
        break;
    case kEtched:
        DrawEdge(dc, &border, EDGE_ETCHED, BF_RECT);
        break;
    default:
        break;
    }
    if (image_) {
        const int w = border.right - border.left;
        const int h = border.bottom - border.top;
        if (stretch_) {
            StretchBlt(dc, border.left, border.top, w, h, image_->dc.get(), 0, 0, image_->width,
                       image_->height, SRCCOPY);
        } else {
            const int x = border.left + RoundHalfEven((w - image_->width) / 2.0);
            const int y = border.top + RoundHalfEven((h - image_->height) / 2.0);
            BitBlt(dc, x, y, image_->width, image_->height, image_->dc.get(), 1, 1, SRCCOPY);
        }
    }
}

void Control::paintSurface(HDC dc) {
    RECT client{};
    GetClientRect(window_, &client);
    paint(dc, client);
    if (focused_) {
        RECT focus{client.left + 5, client.top + 5, client.right - 5, client.bottom - 5};
        DrawFocusRect(dc, &focus);
    }
}

void Control::paintNow() {
    if (window_ == nullptr)
        return;
    ps::WindowDc dc(window_);
    paintSurface(dc.get());
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

LRESULT Control::windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        paintSurface(BeginPaint(hwnd, &ps));
        EndPaint(hwnd, &ps);
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
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        if (window_ == hwnd)
            window_ = nullptr;
        break;
    default:
        break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

// Converts the one argument of a property put.
bool Argument(DISPPARAMS* params, VARTYPE type, VARIANT& out) {
    if (params == nullptr || params->cArgs != 1)
        return false;
    VariantInit(&out);
    return SUCCEEDED(VariantChangeType(&out, &params->rgvarg[0], 0, type));
}

// A colour argument: any number that converts to 32 bits, signed or not. A
// system colour such as 0x8000000F arrives from script hosts as a negative
// integer or as a double above the signed range.
bool ColorArgument(DISPPARAMS* params, LONG& colour) {
    VARIANT v;
    if (Argument(params, VT_I4, v)) {
        colour = v.lVal;
        return true;
    }
    if (Argument(params, VT_UI4, v)) {
        colour = static_cast<LONG>(v.ulVal);
        return true;
    }
    return false;
}

HRESULT Control::invoke(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* info, UINT*) {
    const bool get = (flags & DISPATCH_PROPERTYGET) != 0 && (params == nullptr || params->cArgs == 0);
    const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    VARIANT local;
    VariantInit(&local);
    VARIANT* out = result != nullptr ? result : &local;
    VariantInit(out);
    VARIANT arg;
    switch (id) {
    case kEnabled:
    case kStretchBMP: {
        bool& field = id == kEnabled ? enabled_ : stretch_;
        if (put) {
            if (!Argument(params, VT_BOOL, arg))
                return DISP_E_TYPEMISMATCH;
            field = arg.boolVal != VARIANT_FALSE;
            dirty_ = true;
            if (id == kEnabled && window_ != nullptr)
                EnableWindow(window_, field);
            return S_OK;
        }
        if (!get)
            return DISP_E_MEMBERNOTFOUND;
        out->vt = VT_BOOL;
        out->boolVal = field ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    case kBackColor:
    case kBMPBackground: {
        if (put) {
            LONG colour = 0;
            if (!ColorArgument(params, colour))
                return DISP_E_TYPEMISMATCH;
            if (id == kBackColor) {
                backColor_ = static_cast<OLE_COLOR>(colour);
                if (window_ != nullptr)
                    InvalidateRect(window_, nullptr, FALSE);
            } else {
                background_ = colour;
            }
            dirty_ = true;
            return S_OK;
        }
        if (!get)
            return DISP_E_MEMBERNOTFOUND;
        out->vt = VT_I4;
        out->lVal = id == kBackColor ? static_cast<LONG>(backColor_) : background_;
        return S_OK;
    }
    case kEdgeStyle:
        if (put) {
            if (!Argument(params, VT_I2, arg))
                return DISP_E_TYPEMISMATCH;
            edgeStyle_ = arg.iVal;
            dirty_ = true;
            paintNow();
            return S_OK;
        }
        if (!get)
            return DISP_E_MEMBERNOTFOUND;
        out->vt = VT_I4;
        out->lVal = edgeStyle_;
        return S_OK;
    case kDefaultBitmap:
    case kDrawingFile: {
        std::wstring& field = id == kDefaultBitmap ? defaultBitmap_ : drawingFile_;
        if (put) {
            if (!Argument(params, VT_BSTR, arg))
                return DISP_E_TYPEMISMATCH;
            const std::wstring value = BstrText(arg.bstrVal);
            VariantClear(&arg);
            // Only a name ending in lower-case "bmp" is taken as a default bitmap.
            if (id == kDefaultBitmap && (value.size() < 3 || value.compare(value.size() - 3, 3, L"bmp") != 0))
                return S_OK;
            field = value;
            dirty_ = true;
            return S_OK;
        }
        if (!get)
            return DISP_E_MEMBERNOTFOUND;
        out->vt = VT_BSTR;
        out->bstrVal = SysAllocStringLen(field.data(), static_cast<UINT>(field.size()));
        return S_OK;
    }
    case kPaintPreview:
        if ((flags & DISPATCH_METHOD) == 0 && !get)
            return DISP_E_MEMBERNOTFOUND;
        if (const auto error = paintPreview()) {
            VariantClear(out);
            return Fill(info, *error);
        }
        out->vt = VT_BSTR;
        out->bstrVal = SysAllocString(L"");
        VariantClear(&local);
        return S_OK;
    case kRefresh:
        if ((flags & DISPATCH_METHOD) == 0)
            return DISP_E_MEMBERNOTFOUND;
        if (window_ != nullptr) {
            InvalidateRect(window_, nullptr, FALSE);
            UpdateWindow(window_);
        }
        return S_OK;
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
}

// Reads one value from the bag; false when the bag has none of that name.
bool ReadBag(IPropertyBag* bag, IErrorLog* log, const wchar_t* name, VARTYPE type, VARIANT& value) {
    VariantInit(&value);
    value.vt = type;
    if (FAILED(bag->Read(name, &value, log)))
        return false;
    if (value.vt != type && FAILED(VariantChangeType(&value, &value, 0, type))) {
        VariantClear(&value);
        return false;
    }
    return true;
}

HRESULT Control::Load(IPropertyBag* bag, IErrorLog* log) {
    if (bag == nullptr)
        return E_POINTER;
    try {
        VARIANT v;
        edgeStyle_ = ReadBag(bag, log, L"EdgeStyle", VT_I2, v) ? v.iVal : static_cast<short>(kNone);
        paintNow();
        background_ = ReadBag(bag, log, L"BMPBackground", VT_I4, v) ? v.lVal : kBlack;
        if (ReadBag(bag, log, L"DefaultBitmap", VT_BSTR, v)) {
            defaultBitmap_ = BstrText(v.bstrVal); // stored directly, without the "bmp" check
            VariantClear(&v);
        } else {
            defaultBitmap_.clear();
        }
        if (ReadBag(bag, log, L"DrawingFile", VT_BSTR, v)) {
            drawingFile_ = BstrText(v.bstrVal);
            VariantClear(&v);
        } else {
            drawingFile_.clear();
        }
        stretch_ = ReadBag(bag, log, L"StretchBMP", VT_BOOL, v) && v.boolVal != VARIANT_FALSE;
        backColor_ =
            ReadBag(bag, log, L"BackColor", VT_I4, v) ? static_cast<OLE_COLOR>(v.lVal) : kDefaultBackColor;
        enabled_ = !ReadBag(bag, log, L"Enabled", VT_BOOL, v) || v.boolVal != VARIANT_FALSE;
        if (window_ != nullptr)
            EnableWindow(window_, enabled_);
        return S_OK;
    } catch (...) {
        return E_FAIL;
    }
}

HRESULT Control::Save(IPropertyBag* bag, BOOL clearDirty, BOOL) {
    if (bag == nullptr)
        return E_POINTER;
    try {
        VARIANT v;
        v.vt = VT_I2;
        v.iVal = edgeStyle_;
        bag->Write(L"EdgeStyle", &v);
        v.vt = VT_I4;
        v.lVal = background_;
        bag->Write(L"BMPBackground", &v);
        v.vt = VT_BOOL;
        v.boolVal = stretch_ ? VARIANT_TRUE : VARIANT_FALSE;
        bag->Write(L"StretchBMP", &v);
        v.vt = VT_I4;
        v.lVal = static_cast<LONG>(backColor_);
        bag->Write(L"BackColor", &v);
        v.vt = VT_BOOL;
        v.boolVal = enabled_ ? VARIANT_TRUE : VARIANT_FALSE;
        bag->Write(L"Enabled", &v);
        v.vt = VT_BSTR;
        v.bstrVal = SysAllocStringLen(defaultBitmap_.data(), static_cast<UINT>(defaultBitmap_.size()));
        bag->Write(L"DefaultBitmap", &v);
        VariantClear(&v);
        v.vt = VT_BSTR;
        v.bstrVal = SysAllocStringLen(drawingFile_.data(), static_cast<UINT>(drawingFile_.size()));
        bag->Write(L"DrawingFile", &v);
        VariantClear(&v);
        if (clearDirty)
            dirty_ = false;
        return S_OK;
    } catch (...) {
        return E_FAIL;
    }
}

// The stream form of the properties: "PCTL", a format number, then the
// properties in the property bag's order of writing, little-endian; each text
// as its length in UTF-16 units and the units.
constexpr char kStreamMagic[4] = {'P', 'C', 'T', 'L'};
constexpr std::uint16_t kStreamFormat = 1;
constexpr std::uint32_t kStreamTextLimit = 32767;

template <typename T> void PutLe(std::string& out, T value) {
    for (std::size_t i = 0; i < sizeof(T); ++i)
        out.push_back(static_cast<char>((static_cast<std::uint64_t>(value) >> (8 * i)) & 0xFF));
}

void PutText(std::string& out, const std::wstring& text) {
    PutLe(out, static_cast<std::uint32_t>(text.size()));
    for (wchar_t c : text)
        PutLe(out, static_cast<std::uint16_t>(c));
}

// Reads exactly n bytes; false at the end of the stream or on an error.
bool ReadExactly(IStream* stream, void* into, ULONG n) {
    auto* bytes = static_cast<unsigned char*>(into);
    while (n > 0) {
        ULONG got = 0;
        if (FAILED(stream->Read(bytes, n, &got)) || got == 0)
            return false;
        bytes += got;
        n -= got;
    }
    return true;
}

template <typename T> bool GetLe(IStream* stream, T& value) {
    unsigned char bytes[sizeof(T)];
    if (!ReadExactly(stream, bytes, sizeof bytes))
        return false;
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i)
        v |= static_cast<std::uint64_t>(bytes[i]) << (8 * i);
    value = static_cast<T>(v);
    return true;
}

bool GetText(IStream* stream, std::wstring& text) {
    std::uint32_t length = 0;
    if (!GetLe(stream, length) || length > kStreamTextLimit)
        return false;
    text.assign(length, L'\0');
    for (auto& c : text) {
        std::uint16_t unit = 0;
        if (!GetLe(stream, unit))
            return false;
        c = static_cast<wchar_t>(unit);
    }
    return true;
}

std::string Control::streamBytes() const {
    std::string out(kStreamMagic, sizeof kStreamMagic);
    PutLe(out, kStreamFormat);
    PutLe(out, static_cast<std::uint16_t>(edgeStyle_));
    PutLe(out, static_cast<std::uint32_t>(background_));
    PutLe(out, static_cast<std::uint8_t>(stretch_ ? 1 : 0));
    PutLe(out, static_cast<std::uint32_t>(backColor_));
    PutLe(out, static_cast<std::uint8_t>(enabled_ ? 1 : 0));
    PutText(out, defaultBitmap_);
    PutText(out, drawingFile_);
    return out;
}

HRESULT Control::Save(LPSTREAM stream, BOOL clearDirty) {
    if (stream == nullptr)
        return E_POINTER;
    try {
        const std::string bytes = streamBytes();
        ULONG written = 0;
        const HRESULT hr = stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
        if (FAILED(hr))
            return hr;
        if (written != bytes.size())
            return STG_E_MEDIUMFULL;
        if (clearDirty)
            dirty_ = false;
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

// Nothing changes unless the whole record reads well: a stream from
// elsewhere is checked field by field.
HRESULT Control::Load(LPSTREAM stream) {
    if (stream == nullptr)
        return E_POINTER;
    try {
        char magic[4];
        std::uint16_t format = 0, edge = 0;
        std::uint32_t background = 0, color = 0;
        std::uint8_t stretch = 0, enabled = 0;
        std::wstring defaultBitmap, drawingFile;
        if (!ReadExactly(stream, magic, sizeof magic) || memcmp(magic, kStreamMagic, sizeof magic) != 0 ||
            !GetLe(stream, format) || format != kStreamFormat || !GetLe(stream, edge) ||
            !GetLe(stream, background) || !GetLe(stream, stretch) || !GetLe(stream, color) ||
            !GetLe(stream, enabled) || !GetText(stream, defaultBitmap) || !GetText(stream, drawingFile))
            return STG_E_READFAULT;
        edgeStyle_ = static_cast<short>(edge);
        background_ = static_cast<LONG>(background);
        stretch_ = stretch != 0;
        backColor_ = color;
        enabled_ = enabled != 0;
        defaultBitmap_ = std::move(defaultBitmap);
        drawingFile_ = std::move(drawingFile);
        dirty_ = false;
        if (window_ != nullptr)
            EnableWindow(window_, enabled_);
        paintNow();
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

} // namespace

namespace {
HINSTANCE g_module = nullptr;
} // namespace

HINSTANCE ModuleInstance() {
    return g_module;
}

void RegisterWindowClass(HINSTANCE module) {
    g_module = module;
    WNDCLASSW wc{};
    wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = WindowProc;
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
