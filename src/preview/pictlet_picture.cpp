// The control's picture: the thumbnail of the drawing named in DrawingFile
// (or the default bitmap), made into a bitmap and painted in the window or
// into a host's device context.
#include "preview/pictlet_object.h"

#include <shlwapi.h>
#include <wincodec.h>

#include <cmath>
#include <cstdint>

namespace pictlet {
namespace {

int RoundHalfEven(double v) {
    return static_cast<int>(std::nearbyint(v));
}

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

} // namespace pictlet
