// The acBMPreview control object, shared by the files that build it:
// pictlet_control.cpp (the object, its window and events), pictlet_picture.cpp
// (the thumbnail and the painting) and pictlet_properties.cpp (dispatch and
// persistence). COM interfaces have no virtual destructors by design: objects
// delete themselves in Release.
#pragma once
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

#include "platform/handles.h"
#include "preview/pictlet.h"
#include "preview/pictlet_control.h"
#include "preview/thumbnail.h"

#include <ocidl.h>
#include <olectl.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pictlet {

using ps::ComPtr;

std::wstring BstrText(BSTR b);

// An error for the caller in the form the platform's scripting raises: a
// control-facility HRESULT with the error number, source and description.
struct Raised {
    long number;
    const wchar_t* description;
};

HRESULT Fill(EXCEPINFO* info, const Raised& e);

// The type information of one of the embedded type library's entries.
HRESULT TypeInfoOf(REFGUID guid, ITypeInfo** info);

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
    Control();
    ~Control();

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

    // The window's entry (platform/window_entry.h) hands it every message.
    LRESULT handle(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT failed(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, const char*) noexcept {
        return DefWindowProcW(hwnd, msg, wp, lp); // a control in someone's form does not speak up
    }

private:
    friend class EventPoint;

    HRESULT invoke(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* info,
                   UINT* argError);
    HRESULT putProperty(DISPID id, DISPPARAMS* params);
    HRESULT getProperty(DISPID id, VARIANT& out) const;
    LRESULT onMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
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

} // namespace pictlet
