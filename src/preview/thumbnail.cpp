#include "preview/thumbnail.h"

#include <algorithm>
#include <cstdlib>

namespace ps {
namespace {

class Bytes {
public:
    explicit Bytes(std::string_view data) : data_(data) {}
    std::size_t size() const { return data_.size(); }
    // True when [offset, offset + length) lies inside the data.
    bool has(std::int64_t offset, std::int64_t length) const {
        return offset >= 0 && length >= 0 && static_cast<std::uint64_t>(offset) <= data_.size() &&
               static_cast<std::uint64_t>(length) <= data_.size() - static_cast<std::uint64_t>(offset);
    }
    std::uint8_t u8(std::int64_t at) const {
        return static_cast<std::uint8_t>(data_[static_cast<std::size_t>(at)]);
    }
    std::uint16_t u16(std::int64_t at) const {
        return static_cast<std::uint16_t>(u8(at) | (static_cast<unsigned>(u8(at + 1)) << 8));
    }
    std::uint32_t u32(std::int64_t at) const {
        return static_cast<std::uint32_t>(u16(at)) | (static_cast<std::uint32_t>(u16(at + 2)) << 16);
    }
    std::int32_t i32(std::int64_t at) const { return static_cast<std::int32_t>(u32(at)); }
    std::uint32_t u32be(std::int64_t at) const {
        return (static_cast<std::uint32_t>(u8(at)) << 24) | (static_cast<std::uint32_t>(u8(at + 1)) << 16) |
               (static_cast<std::uint32_t>(u8(at + 2)) << 8) | u8(at + 3);
    }
    std::vector<std::uint8_t> copy(std::int64_t at, std::int64_t length) const {
        const auto* begin = reinterpret_cast<const std::uint8_t*>(data_.data()) + at;
        return std::vector<std::uint8_t>(begin, begin + length);
    }

private:
    std::string_view data_;
};

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;

std::optional<DibImage> ReadBitmap(const Bytes& b, std::int32_t start, bool blackBackground) {
    if (!b.has(start, 40))
        return std::nullopt;
    const std::uint32_t headerSize = b.u32(start);
    DibImage dib;
    dib.width = b.i32(start + 4);
    dib.height = b.i32(start + 8);
    const std::uint16_t planes = b.u16(start + 12);
    dib.bitCount = b.u16(start + 14);
    const std::uint32_t compression = b.u32(start + 16);
    std::uint32_t imageSize = 0;
    const std::uint32_t colorsUsed = b.u32(start + 32);
    if (headerSize < 40 || headerSize > 124 || planes != 1 || dib.width <= 0 ||
        dib.width > kMaxThumbnailSide || dib.height == 0 ||
        std::abs(static_cast<std::int64_t>(dib.height)) > kMaxThumbnailSide)
        return std::nullopt;
    if (dib.bitCount != 1 && dib.bitCount != 4 && dib.bitCount != 8 && dib.bitCount != 16 &&
        dib.bitCount != 24 && dib.bitCount != 32)
        return std::nullopt;
    if (compression != kBiRgb && !(compression == kBiBitfields && (dib.bitCount == 16 || dib.bitCount == 32)))
        return std::nullopt;
    // The bitmap's own palette size, not an assumed 256 entries.
    if (dib.bitCount <= 8) {
        const std::uint32_t full = 1u << dib.bitCount;
        dib.paletteEntries = colorsUsed == 0 || colorsUsed > full ? full : colorsUsed;
    }
    const std::int64_t masks = compression == kBiBitfields && headerSize == 40 ? 12 : 0;
    const std::int64_t infoSize = headerSize + masks + 4 * static_cast<std::int64_t>(dib.paletteEntries);
    const std::int64_t stride = (static_cast<std::int64_t>(dib.width) * dib.bitCount + 31) / 32 * 4;
    const std::int64_t rows = std::abs(static_cast<std::int64_t>(dib.height));
    // The rows themselves, whatever the header's image size says: AutoCAD
    // writes sizes larger than the rows it stores.
    imageSize = static_cast<std::uint32_t>(stride * rows);
    if (!b.has(start, infoSize) || !b.has(start + infoSize, imageSize))
        return std::nullopt;
    dib.info = b.copy(start, infoSize);
    // The header as the device-independent-bitmap call will read it.
    dib.info[20] = static_cast<std::uint8_t>(imageSize);
    dib.info[21] = static_cast<std::uint8_t>(imageSize >> 8);
    dib.info[22] = static_cast<std::uint8_t>(imageSize >> 16);
    dib.info[23] = static_cast<std::uint8_t>(imageSize >> 24);
    dib.pixels = b.copy(start + infoSize, imageSize);
    if (blackBackground) {
        // AutoCAD stores thumbnails on black; on a light control black and white swap.
        for (std::uint32_t i = 0; i < dib.paletteEntries; ++i) {
            auto* entry = &dib.info[static_cast<std::size_t>(headerSize + masks + 4 * i)];
            const bool black = entry[0] == 0 && entry[1] == 0 && entry[2] == 0;
            const bool white = entry[0] == 255 && entry[1] == 255 && entry[2] == 255;
            if (black)
                entry[0] = entry[1] = entry[2] = 255;
            else if (white)
                entry[0] = entry[1] = entry[2] = 0;
        }
    }
    return dib;
}

std::optional<PngPicture> ReadPng(const Bytes& b, std::int32_t start, std::int32_t size) {
    static const std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (size < 33 || !b.has(start, size))
        return std::nullopt;
    for (int i = 0; i < 8; ++i)
        if (b.u8(start + i) != signature[i])
            return std::nullopt;
    PngPicture png;
    png.width = static_cast<std::int32_t>(b.u32be(start + 16));
    png.height = static_cast<std::int32_t>(b.u32be(start + 20));
    if (png.width <= 0 || png.height <= 0 || png.width > kMaxThumbnailSide || png.height > kMaxThumbnailSide)
        return std::nullopt;
    png.bytes = b.copy(start, size);
    return png;
}

} // namespace

ImageArea ReadImageArea(std::string_view file, bool blackBackground) {
    ImageArea area;
    const Bytes b(file);
    if (!b.has(13, 4))
        return area;
    const std::int32_t p = b.i32(13);
    area.offsetBeforeStart = p < 0;
    if (!b.has(p, 21))
        return area;
    area.count = b.u8(p + 20);
    if (!b.has(p + 21, 9 * static_cast<std::int64_t>(area.count)))
        return area;
    area.readable = true;
    for (std::uint8_t i = 0; i < area.count; ++i) {
        const std::int64_t at = p + 21 + 9 * static_cast<std::int64_t>(i);
        area.entries.push_back({b.u8(at), b.i32(at + 1), b.i32(at + 5)});
    }
    if (area.count <= 1)
        return area;
    for (const auto& entry : area.entries) {
        if ((entry.code == kEntryBitmap || entry.code == kEntryPng) && entry.start < 0) {
            area.offsetBeforeStart = true;
            area.pictures.clear();
            return area;
        }
        Picture picture;
        picture.code = entry.code;
        if (entry.code == kEntryBitmap) {
            if (auto dib = ReadBitmap(b, entry.start, blackBackground)) {
                picture.dib = std::move(*dib);
                area.pictures.push_back(std::move(picture));
            }
        } else if (entry.code == kEntryPng) {
            if (auto png = ReadPng(b, entry.start, entry.size)) {
                picture.png = std::move(*png);
                area.pictures.push_back(std::move(picture));
            }
        }
    }
    return area;
}

std::uint64_t ImageAreaExtent(std::string_view firstBytes, std::uint64_t fileSize) {
    const Bytes b(firstBytes);
    const auto within = [&](std::int64_t n) {
        return std::min<std::uint64_t>(static_cast<std::uint64_t>(n), fileSize);
    };
    if (!b.has(13, 4))
        return within(17);
    const std::int64_t p = b.i32(13);
    if (p < 0)
        return b.size(); // no area ReadImageArea could read
    if (!b.has(p, 21))
        return within(p + 21);
    const std::int64_t table = p + 21 + 9 * static_cast<std::int64_t>(b.u8(p + 20));
    if (!b.has(p, table - p))
        return within(table);
    std::int64_t end = table;
    for (std::int64_t at = p + 21; at < table; at += 9) {
        const std::int64_t start = b.i32(at + 1);
        const std::int64_t size = b.i32(at + 5);
        if (start >= 0 && size >= 0)
            end = std::max(end, start + std::max<std::int64_t>(size, 40)); // a bitmap's header at least
    }
    return within(end);
}

AreaRead ReadImageAreaOf(std::uint64_t fileSize,
                         const std::function<bool(std::string&, std::uint64_t)>& readUpTo,
                         std::uint64_t mostBytes, bool blackBackground, ImageArea& area) {
    // Only what the area needs: a large drawing's preview is near its start.
    std::string bytes;
    for (std::uint64_t want = ImageAreaExtent(bytes, fileSize); want > bytes.size();
         want = ImageAreaExtent(bytes, fileSize)) {
        if (want > mostBytes)
            return AreaRead::TooLarge;
        const std::size_t had = bytes.size();
        if (!readUpTo(bytes, want) || bytes.size() <= had)
            return AreaRead::ReadError;
    }
    area = ReadImageArea(bytes, blackBackground);
    // A picture that did not read (an entry understating its size): the
    // whole file, as it always was read.
    const auto pictures = std::count_if(area.entries.begin(), area.entries.end(), [](const ImageEntry& e) {
        return e.code == kEntryBitmap || e.code == kEntryPng;
    });
    if (area.count > 1 && area.pictures.size() < static_cast<std::size_t>(pictures) &&
        bytes.size() < fileSize) {
        if (fileSize > mostBytes)
            return AreaRead::TooLarge;
        if (!readUpTo(bytes, fileSize))
            return AreaRead::ReadError;
        area = ReadImageArea(bytes, blackBackground);
    }
    return AreaRead::Read;
}

} // namespace ps
