// The control's properties: the dispatch interface's members, and the
// property bag and stream forms containers keep them in.
#include "preview/pictlet_object.h"

#include <cstdint>

namespace pictlet {
namespace {

// Converts the one argument of a property put.
bool Argument(DISPPARAMS* params, VARTYPE type, ps::Variant& out) {
    if (params == nullptr || params->cArgs != 1)
        return false;
    return SUCCEEDED(VariantChangeType(out.put(), &params->rgvarg[0], 0, type));
}

// A colour argument: any number that converts to 32 bits, signed or not. A
// system colour such as 0x8000000F arrives from script hosts as a negative
// integer or as a double above the signed range.
bool ColorArgument(DISPPARAMS* params, LONG& colour) {
    ps::Variant v;
    if (Argument(params, VT_I4, v)) {
        colour = v->lVal;
        return true;
    }
    if (Argument(params, VT_UI4, v)) {
        colour = static_cast<LONG>(v->ulVal);
        return true;
    }
    return false;
}

// Reads one value from the bag; false when the bag has none of that name.
bool ReadBag(IPropertyBag* bag, IErrorLog* log, const wchar_t* name, VARTYPE type, ps::Variant& value) {
    VARIANT* v = value.put();
    v->vt = type;
    if (FAILED(bag->Read(name, v, log)))
        return false;
    if (v->vt != type && FAILED(VariantChangeType(v, v, 0, type))) {
        value.put();
        return false;
    }
    return true;
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

} // namespace

HRESULT Control::invoke(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* info, UINT*) {
    const bool get = (flags & DISPATCH_PROPERTYGET) != 0 && (params == nullptr || params->cArgs == 0);
    const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
    ps::Variant local;
    VARIANT& out = result != nullptr ? *result : local.get();
    VariantInit(&out);
    switch (id) {
    case kPaintPreview:
        if ((flags & DISPATCH_METHOD) == 0 && !get)
            return DISP_E_MEMBERNOTFOUND;
        if (const auto error = paintPreview())
            return Fill(info, *error);
        out.vt = VT_BSTR;
        out.bstrVal = SysAllocString(L"");
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
        if (put)
            return putProperty(id, params);
        return get ? getProperty(id, out) : DISP_E_MEMBERNOTFOUND;
    }
}

HRESULT Control::putProperty(DISPID id, DISPPARAMS* params) {
    ps::Variant arg;
    LONG colour = 0;
    switch (id) {
    case kEnabled:
    case kStretchBMP:
        if (!Argument(params, VT_BOOL, arg))
            return DISP_E_TYPEMISMATCH;
        (id == kEnabled ? enabled_ : stretch_) = arg->boolVal != VARIANT_FALSE;
        if (id == kEnabled && window_ != nullptr)
            EnableWindow(window_, enabled_);
        break;
    case kBackColor:
    case kBMPBackground:
        if (!ColorArgument(params, colour))
            return DISP_E_TYPEMISMATCH;
        if (id == kBMPBackground) {
            background_ = colour;
            break;
        }
        backColor_ = static_cast<OLE_COLOR>(colour);
        if (window_ != nullptr)
            InvalidateRect(window_, nullptr, FALSE);
        break;
    case kEdgeStyle:
        if (!Argument(params, VT_I2, arg))
            return DISP_E_TYPEMISMATCH;
        edgeStyle_ = arg->iVal;
        paintNow();
        break;
    case kDefaultBitmap:
    case kDrawingFile: {
        if (!Argument(params, VT_BSTR, arg))
            return DISP_E_TYPEMISMATCH;
        std::wstring value = BstrText(arg->bstrVal);
        // Only a name ending in lower-case "bmp" is taken as a default bitmap.
        if (id == kDefaultBitmap && (value.size() < 3 || value.compare(value.size() - 3, 3, L"bmp") != 0))
            return S_OK;
        (id == kDefaultBitmap ? defaultBitmap_ : drawingFile_) = std::move(value);
        break;
    }
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
    dirty_ = true;
    return S_OK;
}

HRESULT Control::getProperty(DISPID id, VARIANT& out) const {
    switch (id) {
    case kEnabled:
    case kStretchBMP:
        out.vt = VT_BOOL;
        out.boolVal = (id == kEnabled ? enabled_ : stretch_) ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    case kBackColor:
    case kBMPBackground:
    case kEdgeStyle:
        out.vt = VT_I4;
        out.lVal = id == kBackColor   ? static_cast<LONG>(backColor_)
                   : id == kEdgeStyle ? edgeStyle_
                                      : background_;
        return S_OK;
    case kDefaultBitmap:
    case kDrawingFile: {
        const std::wstring& text = id == kDefaultBitmap ? defaultBitmap_ : drawingFile_;
        out.vt = VT_BSTR;
        out.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        return S_OK;
    }
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
}

HRESULT Control::Load(IPropertyBag* bag, IErrorLog* log) {
    if (bag == nullptr)
        return E_POINTER;
    try {
        ps::Variant v;
        edgeStyle_ = ReadBag(bag, log, L"EdgeStyle", VT_I2, v) ? v->iVal : static_cast<short>(kNone);
        paintNow();
        background_ = ReadBag(bag, log, L"BMPBackground", VT_I4, v) ? v->lVal : kBlack;
        // The default bitmap is stored directly, without the "bmp" check.
        defaultBitmap_ =
            ReadBag(bag, log, L"DefaultBitmap", VT_BSTR, v) ? BstrText(v->bstrVal) : std::wstring();
        drawingFile_ = ReadBag(bag, log, L"DrawingFile", VT_BSTR, v) ? BstrText(v->bstrVal) : std::wstring();
        stretch_ = ReadBag(bag, log, L"StretchBMP", VT_BOOL, v) && v->boolVal != VARIANT_FALSE;
        backColor_ =
            ReadBag(bag, log, L"BackColor", VT_I4, v) ? static_cast<OLE_COLOR>(v->lVal) : kDefaultBackColor;
        enabled_ = !ReadBag(bag, log, L"Enabled", VT_BOOL, v) || v->boolVal != VARIANT_FALSE;
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
        ps::Variant v;
        v.put()->vt = VT_I2;
        v->iVal = edgeStyle_;
        bag->Write(L"EdgeStyle", &v.get());
        v.put()->vt = VT_I4;
        v->lVal = background_;
        bag->Write(L"BMPBackground", &v.get());
        v.put()->vt = VT_BOOL;
        v->boolVal = stretch_ ? VARIANT_TRUE : VARIANT_FALSE;
        bag->Write(L"StretchBMP", &v.get());
        v.put()->vt = VT_I4;
        v->lVal = static_cast<LONG>(backColor_);
        bag->Write(L"BackColor", &v.get());
        v.put()->vt = VT_BOOL;
        v->boolVal = enabled_ ? VARIANT_TRUE : VARIANT_FALSE;
        bag->Write(L"Enabled", &v.get());
        v.put()->vt = VT_BSTR;
        v->bstrVal = SysAllocStringLen(defaultBitmap_.data(), static_cast<UINT>(defaultBitmap_.size()));
        bag->Write(L"DefaultBitmap", &v.get());
        v.put()->vt = VT_BSTR;
        v->bstrVal = SysAllocStringLen(drawingFile_.data(), static_cast<UINT>(drawingFile_.size()));
        bag->Write(L"DrawingFile", &v.get());
        if (clearDirty)
            dirty_ = false;
        return S_OK;
    } catch (...) {
        return E_FAIL;
    }
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

} // namespace pictlet
