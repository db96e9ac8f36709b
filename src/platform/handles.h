// Non-copyable owners for every kind of Win32 handle the program holds.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>
#include <unknwn.h>

#include <type_traits>
#include <utility>

namespace ps {

template <typename Traits> class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(Handle h) noexcept : h_(h) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : h_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }

    Handle get() const noexcept { return h_; }
    explicit operator bool() const noexcept { return Traits::valid(h_); }
    Handle release() noexcept { return std::exchange(h_, Traits::invalid()); }
    void reset(Handle h = Traits::invalid()) noexcept {
        if (Traits::valid(h_))
            Traits::close(h_);
        h_ = h;
    }
    // For APIs that return the handle through a pointer.
    Handle* put() noexcept {
        reset();
        return &h_;
    }

private:
    Handle h_ = Traits::invalid();
};

struct KernelHandleTraits { // process, thread, event, mutex
    using Handle = HANDLE;
    static Handle invalid() noexcept { return nullptr; }
    static bool valid(Handle h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void close(Handle h) noexcept { CloseHandle(h); }
};

struct FileHandleTraits { // CreateFile reports failure as INVALID_HANDLE_VALUE
    using Handle = HANDLE;
    static Handle invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool valid(Handle h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void close(Handle h) noexcept { CloseHandle(h); }
};

struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool valid(Handle h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void close(Handle h) noexcept { FindClose(h); }
};

// A handle whose "none" is nullptr, given back with Close.
template <typename H, auto Close> struct NullHandleTraits {
    using Handle = H;
    static Handle invalid() noexcept { return nullptr; }
    static bool valid(Handle h) noexcept { return h != nullptr; }
    static void close(Handle h) noexcept { Close(h); }
};

using RegKeyTraits = NullHandleTraits<HKEY, &RegCloseKey>;
template <typename T> using GdiObjectTraits = NullHandleTraits<T, &DeleteObject>;
using MemoryDcTraits = NullHandleTraits<HDC, &DeleteDC>; // CreateCompatibleDC
using AcceleratorTraits = NullHandleTraits<HACCEL, &DestroyAcceleratorTable>;
using ImageListTraits = NullHandleTraits<HIMAGELIST, &ImageList_Destroy>;
using MenuTraits = NullHandleTraits<HMENU, &DestroyMenu>; // a menu no window owns
using HookTraits = NullHandleTraits<HHOOK, &UnhookWindowsHookEx>;

using UniqueHandleKernel = UniqueHandle<KernelHandleTraits>;
using UniqueHook = UniqueHandle<HookTraits>;
using UniqueAccelerators = UniqueHandle<AcceleratorTraits>;
using UniqueImageList = UniqueHandle<ImageListTraits>;
using UniqueMenu = UniqueHandle<MenuTraits>;
using UniqueFile = UniqueHandle<FileHandleTraits>;
using UniqueFind = UniqueHandle<FindHandleTraits>;
using UniqueRegKey = UniqueHandle<RegKeyTraits>;
using UniqueBitmap = UniqueHandle<GdiObjectTraits<HBITMAP>>;
using UniqueBrush = UniqueHandle<GdiObjectTraits<HBRUSH>>;
using UniqueFont = UniqueHandle<GdiObjectTraits<HFONT>>;
using UniqueMemoryDc = UniqueHandle<MemoryDcTraits>;

// A window's device context from GetDC, released to its window.
class WindowDc {
public:
    explicit WindowDc(HWND hwnd) noexcept : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    ~WindowDc() {
        if (dc_ != nullptr)
            ReleaseDC(hwnd_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const noexcept { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};

// Selects an object into a DC for one scope.
class ScopedSelect {
public:
    ScopedSelect(HDC dc, HGDIOBJ obj) noexcept : dc_(dc), old_(SelectObject(dc, obj)) {}
    ~ScopedSelect() {
        if (old_ != nullptr && old_ != HGDI_ERROR)
            SelectObject(dc_, old_);
    }
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// BeginPaint and EndPaint around one WM_PAINT.
class PaintScope {
public:
    explicit PaintScope(HWND hwnd) noexcept : hwnd_(hwnd), dc_(BeginPaint(hwnd, &paint_)) {}
    ~PaintScope() { EndPaint(hwnd_, &paint_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    HDC dc() const noexcept { return dc_; }

private:
    HWND hwnd_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// A VARIANT cleared (its string freed, its interface released) when it goes.
class Variant {
public:
    Variant() noexcept { VariantInit(&v_); }
    ~Variant() { VariantClear(&v_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    VARIANT& get() noexcept { return v_; }
    VARIANT* operator->() noexcept { return &v_; }
    // Cleared, to be filled by a call.
    VARIANT* put() noexcept {
        VariantClear(&v_);
        return &v_;
    }

private:
    VARIANT v_;
};

// The strings an IDispatch::Invoke may fill into its EXCEPINFO, freed.
struct ExcepInfo : EXCEPINFO {
    ExcepInfo() noexcept : EXCEPINFO{} {}
    ~ExcepInfo() {
        SysFreeString(bstrSource);
        SysFreeString(bstrDescription);
        SysFreeString(bstrHelpFile);
    }
    ExcepInfo(const ExcepInfo&) = delete;
    ExcepInfo& operator=(const ExcepInfo&) = delete;
};

// Memory the shell or COM hands over (an item ID list, a path), freed with CoTaskMemFree.
template <typename T> class CoTaskMem {
public:
    explicit CoTaskMem(T p = nullptr) noexcept : p_(p) {}
    ~CoTaskMem() { CoTaskMemFree(const_cast<void*>(static_cast<const void*>(p_))); }
    CoTaskMem(const CoTaskMem&) = delete;
    CoTaskMem& operator=(const CoTaskMem&) = delete;
    T get() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

private:
    T p_;
};

// The files dropped on a window, released with DragFinish.
class DroppedFiles {
public:
    explicit DroppedFiles(HDROP drop) noexcept : drop_(drop) {}
    ~DroppedFiles() { DragFinish(drop_); }
    DroppedFiles(const DroppedFiles&) = delete;
    DroppedFiles& operator=(const DroppedFiles&) = delete;
    HDROP get() const noexcept { return drop_; }

private:
    HDROP drop_;
};

// OLE for the thread, for one scope (the window's drag and drop, its
// ActiveX host).
class OleScope {
public:
    OleScope() noexcept : ok_(SUCCEEDED(OleInitialize(nullptr))) {}
    ~OleScope() {
        if (ok_)
            OleUninitialize();
    }
    OleScope(const OleScope&) = delete;
    OleScope& operator=(const OleScope&) = delete;

private:
    bool ok_;
};

// Owning COM interface pointer.
template <typename T> class ComPtr {
public:
    ComPtr() noexcept = default;
    explicit ComPtr(T* p) noexcept : p_(p) {} // adopts one reference
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr& other) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            reset();
            p_ = std::exchange(other.p_, nullptr);
        }
        return *this;
    }

    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    T** put() noexcept {
        reset();
        return &p_;
    }
    void** putVoid() noexcept { return reinterpret_cast<void**>(put()); }
    void reset() noexcept {
        if (p_ != nullptr)
            std::exchange(p_, nullptr)->Release();
    }
    T* detach() noexcept { return std::exchange(p_, nullptr); }

    template <typename U> ComPtr<U> as(REFIID iid) const noexcept {
        ComPtr<U> other;
        if (p_ != nullptr)
            p_->QueryInterface(iid, other.putVoid());
        return other;
    }

private:
    T* p_ = nullptr;
};

static_assert(!std::is_copy_constructible_v<UniqueHandleKernel> && !std::is_copy_assignable_v<UniqueRegKey>);
static_assert(!std::is_copy_constructible_v<ComPtr<IUnknown>> && !std::is_copy_constructible_v<WindowDc>);

} // namespace ps
