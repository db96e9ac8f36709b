// The preview image area inside a DWG file, read as the thumbnail control
// paints it: from the offset at byte 13 through the entry table to each image
// entry. Every offset, count and size read from the file is checked against
// the file's length before use; a damaged or crafted area gives no image.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ps {

enum ImageEntryCode : std::uint8_t { kEntryHeader = 1, kEntryBitmap = 2, kEntryMetafile = 3, kEntryPng = 6 };

struct ImageEntry {
    std::uint8_t code = 0;
    std::int32_t start = 0;
    std::int32_t size = 0;
};

// A device-independent bitmap ready for SetDIBits: the BITMAPINFOHEADER with
// its palette (or colour masks), and the pixel rows.
struct DibImage {
    std::int32_t width = 0;
    std::int32_t height = 0; // as stored (negative for top-down rows)
    std::uint16_t bitCount = 0;
    std::uint32_t paletteEntries = 0;
    std::vector<std::uint8_t> info;   // header + palette, as stored (palette after the background rule)
    std::vector<std::uint8_t> pixels; // the rows
};

struct PngPicture {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> bytes; // the whole PNG stream
};

struct Picture {
    std::uint8_t code = 0; // kEntryBitmap or kEntryPng
    DibImage dib;
    PngPicture png;
};

struct ImageArea {
    bool readable = false; // the area's offset and entry table lie inside the file
    // The area's offset, or the start of an image entry, lies before the
    // file's start: an error for whoever asked for the picture.
    bool offsetBeforeStart = false;
    std::uint8_t count = 0; // N, the number of entries
    std::vector<ImageEntry> entries;
    std::vector<Picture> pictures; // in entry order; the last one is what shows
    // N is 0 or 1: the control shows its default bitmap instead.
    bool wantsDefaultBitmap() const { return readable && count <= 1; }
};

// Reads the image area. With blackBackground (the control's BMPBackground is
// Black) a palette entry (0,0,0) becomes (255,255,255) and the other way
// round; colour depths without a palette are left alone.
ImageArea ReadImageArea(std::string_view file, bool blackBackground);

// How much of a file of that size, from its start, ReadImageArea needs,
// as far as the first bytes read so far tell: more than they hold while
// the offset, the entry table or the entries lie beyond them. A reader
// reads that much and asks again until the answer stops growing; the image
// area of a drawing is near its start, so a large drawing is not read whole.
std::uint64_t ImageAreaExtent(std::string_view firstBytes, std::uint64_t fileSize);

// How reading an image area through a reader ended.
enum class AreaRead { Read, TooLarge, ReadError };

// Reads a file's image area through readUpTo, which appends the file's bytes
// up to the length asked for (false on a read error): only what
// ImageAreaExtent says the area needs, and the whole file when an entry
// understates its size. Never more than mostBytes.
AreaRead ReadImageAreaOf(std::uint64_t fileSize,
                         const std::function<bool(std::string&, std::uint64_t)>& readUpTo,
                         std::uint64_t mostBytes, bool blackBackground, ImageArea& area);

// The largest width or height accepted, so a lying header cannot make the
// control allocate gigabytes.
inline constexpr std::int32_t kMaxThumbnailSide = 8192;

} // namespace ps
