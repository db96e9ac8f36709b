#include "platform/wic_png.h"

#include "platform/handles.h"

#include <windows.h>

#include <objidl.h>
#include <wincodec.h>

#include <algorithm>

namespace ps {
namespace {

// Rows written without a prediction filter: a thumbnail of line work packs
// about as well, and the encoder does not try every filter on every row.
HRESULT FastFilter(IPropertyBag2* options) {
    if (options == nullptr)
        return S_OK;
    PROPBAG2 name{};
    name.pstrName = const_cast<LPOLESTR>(L"FilterOption");
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_UI1;
    value.bVal = WICPngFilterNone;
    options->Write(1, &name, &value); // an encoder without the option keeps its own choice
    return S_OK;
}

} // namespace

PngCompactor::PngCompactor() {
    const HRESULT started = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    comStarted_ = SUCCEEDED(started);
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, reinterpret_cast<void**>(&factory_))))
        factory_ = nullptr;
}

PngCompactor::~PngCompactor() {
    if (factory_ != nullptr)
        factory_->Release();
    if (comStarted_)
        CoUninitialize();
}

std::optional<std::string> PngCompactor::compact(std::string_view png, unsigned maxWidth,
                                                 unsigned maxHeight) {
    if (factory_ == nullptr || png.empty() || png.size() > 0x7fffffff)
        return std::nullopt;
    ComPtr<IWICStream> in;
    if (FAILED(factory_->CreateStream(in.put())) ||
        FAILED(in->InitializeFromMemory(reinterpret_cast<BYTE*>(const_cast<char*>(png.data())),
                                        static_cast<DWORD>(png.size()))))
        return std::nullopt;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    UINT width = 0, height = 0;
    if (FAILED(factory_->CreateDecoderFromStream(in.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                                 decoder.put())) ||
        FAILED(decoder->GetFrame(0, frame.put())) || FAILED(frame->GetSize(&width, &height)) || width == 0 ||
        height == 0)
        return std::nullopt;
    // Never enlarged; the aspect kept.
    const double scale =
        std::min({1.0, static_cast<double>(maxWidth) / width, static_cast<double>(maxHeight) / height});
    const UINT w = std::max(1u, static_cast<UINT>(width * scale + 0.5));
    const UINT h = std::max(1u, static_cast<UINT>(height * scale + 0.5));
    // Scaled only when it is larger than the box.
    ComPtr<IWICBitmapScaler> scaler;
    IWICBitmapSource* source = frame.get();
    if (w != width || h != height) {
        if (FAILED(factory_->CreateBitmapScaler(scaler.put())) ||
            FAILED(scaler->Initialize(frame.get(), w, h, WICBitmapInterpolationModeFant)))
            return std::nullopt;
        source = scaler.get();
    }
    ComPtr<IWICFormatConverter> converter;
    if (FAILED(factory_->CreateFormatConverter(converter.put())) ||
        FAILED(converter->Initialize(source, GUID_WICPixelFormat24bppBGR, WICBitmapDitherTypeNone, nullptr,
                                     0.0, WICBitmapPaletteTypeCustom)))
        return std::nullopt;
    ComPtr<IStream> out;
    if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, out.put())))
        return std::nullopt;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> target;
    ComPtr<IPropertyBag2> options;
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (FAILED(factory_->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.put())) ||
        FAILED(encoder->Initialize(out.get(), WICBitmapEncoderNoCache)) ||
        FAILED(encoder->CreateNewFrame(target.put(), options.put())) || FAILED(FastFilter(options.get())) ||
        FAILED(target->Initialize(options.get())) || FAILED(target->SetSize(w, h)) ||
        FAILED(target->SetPixelFormat(&format)) || FAILED(target->WriteSource(converter.get(), nullptr)) ||
        FAILED(target->Commit()) || FAILED(encoder->Commit()))
        return std::nullopt;
    HGLOBAL memory = nullptr;
    if (FAILED(GetHGlobalFromStream(out.get(), &memory)))
        return std::nullopt;
    STATSTG stat{};
    if (FAILED(out->Stat(&stat, STATFLAG_NONAME)))
        return std::nullopt;
    const auto* bytes = static_cast<const char*>(GlobalLock(memory));
    if (bytes == nullptr)
        return std::nullopt;
    std::string result(bytes, static_cast<std::size_t>(stat.cbSize.QuadPart));
    GlobalUnlock(memory);
    return result;
}

unsigned PngCompactor::reportThreads() {
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    return std::clamp(static_cast<unsigned>(info.dwNumberOfProcessors), 1u, 16u);
}

} // namespace ps
