#include "report/png_writer.h"

#include <algorithm>

#include <array>
#include <cstdlib>

namespace ps {
namespace {

std::uint32_t Crc32(std::string_view bytes) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    std::uint32_t c = 0xFFFFFFFFu;
    for (unsigned char b : bytes)
        c = table[(c ^ b) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

void PutBig32(std::string& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

void Chunk(std::string& out, const char* type, const std::string& data) {
    PutBig32(out, static_cast<std::uint32_t>(data.size()));
    const std::string body = std::string(type, 4) + data;
    out += body;
    PutBig32(out, Crc32(body));
}

// A zlib stream of stored blocks.
std::string Stored(const std::string& raw) {
    std::string z{'\x78', '\x01'};
    std::size_t at = 0;
    do {
        const std::size_t n = std::min<std::size_t>(raw.size() - at, 65535);
        const bool last = at + n == raw.size();
        z.push_back(last ? '\x01' : '\x00');
        z.push_back(static_cast<char>(n & 0xFF));
        z.push_back(static_cast<char>(n >> 8));
        z.push_back(static_cast<char>(~n & 0xFF));
        z.push_back(static_cast<char>((~n >> 8) & 0xFF));
        z.append(raw, at, n);
        at += n;
    } while (at < raw.size());
    std::uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    PutBig32(z, (b << 16) | a);
    return z;
}

std::uint32_t Le32(const std::vector<std::uint8_t>& v, std::size_t at) {
    return at + 4 <= v.size() ? static_cast<std::uint32_t>(v[at] | v[at + 1] << 8 | v[at + 2] << 16 |
                                                           static_cast<std::uint32_t>(v[at + 3]) << 24)
                              : 0;
}

} // namespace

std::string EncodePng(std::int32_t width, std::int32_t height, const std::vector<std::uint32_t>& rgb) {
    if (width <= 0 || height <= 0 ||
        rgb.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
        return {};
    std::string out("\x89PNG\r\n\x1a\n", 8);
    std::string header;
    PutBig32(header, static_cast<std::uint32_t>(width));
    PutBig32(header, static_cast<std::uint32_t>(height));
    header += std::string("\x08\x02\x00\x00\x00", 5); // 8 bits, truecolour, no interlace
    Chunk(out, "IHDR", header);
    std::string raw;
    raw.reserve(static_cast<std::size_t>(height) * (1 + 3 * static_cast<std::size_t>(width)));
    for (std::int32_t y = 0; y < height; ++y) {
        raw.push_back('\0'); // no filter
        for (std::int32_t x = 0; x < width; ++x) {
            const std::uint32_t p = rgb[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                        static_cast<std::size_t>(x)];
            raw.push_back(static_cast<char>((p >> 16) & 0xFF));
            raw.push_back(static_cast<char>((p >> 8) & 0xFF));
            raw.push_back(static_cast<char>(p & 0xFF));
        }
    }
    Chunk(out, "IDAT", Stored(raw));
    Chunk(out, "IEND", {});
    return out;
}

namespace {

// The picture fitted to mostSide by mostSide, each pixel the average of the
// source pixels it covers.
std::vector<std::uint32_t> Shrunk(const std::vector<std::uint32_t>& rgb, std::int32_t& width,
                                  std::int32_t& height, std::int32_t mostSide) {
    const double scale =
        std::min(static_cast<double>(mostSide) / width, static_cast<double>(mostSide) / height);
    const auto w = std::max<std::int32_t>(1, static_cast<std::int32_t>(width * scale + 0.5));
    const auto h = std::max<std::int32_t>(1, static_cast<std::int32_t>(height * scale + 0.5));
    std::vector<std::uint32_t> out(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    for (std::int32_t y = 0; y < h; ++y) {
        const std::int32_t y0 = y * height / h, y1 = std::max(y0 + 1, (y + 1) * height / h);
        for (std::int32_t x = 0; x < w; ++x) {
            const std::int32_t x0 = x * width / w, x1 = std::max(x0 + 1, (x + 1) * width / w);
            std::uint32_t r = 0, g = 0, b = 0, n = 0;
            for (std::int32_t sy = y0; sy < y1; ++sy)
                for (std::int32_t sx = x0; sx < x1; ++sx) {
                    const std::uint32_t p =
                        rgb[static_cast<std::size_t>(sy) * static_cast<std::size_t>(width) +
                            static_cast<std::size_t>(sx)];
                    r += p >> 16 & 0xFF;
                    g += p >> 8 & 0xFF;
                    b += p & 0xFF;
                    ++n;
                }
            out[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x)] =
                (r / n) << 16 | (g / n) << 8 | b / n;
        }
    }
    width = w;
    height = h;
    return out;
}

} // namespace

std::optional<std::string> DibToPng(const DibImage& dib, std::int32_t mostSide) {
    const int bits = dib.bitCount;
    const std::int32_t width = dib.width;
    const std::int32_t height = std::abs(dib.height);
    if (width <= 0 || height <= 0 || width > kMaxThumbnailSide || height > kMaxThumbnailSide ||
        (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32))
        return std::nullopt;
    const std::size_t stride = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
    if (dib.pixels.size() < stride * static_cast<std::size_t>(height))
        return std::nullopt;
    const std::size_t headerSize = Le32(dib.info, 0);
    const auto colour = [&](std::size_t index) -> std::uint32_t {
        const std::size_t at = headerSize + 4 * index;
        if (index >= dib.paletteEntries || at + 3 > dib.info.size())
            return 0;
        return static_cast<std::uint32_t>(dib.info[at + 2]) << 16 | dib.info[at + 1] << 8 | dib.info[at];
    };
    std::vector<std::uint32_t> rgb(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (std::int32_t y = 0; y < height; ++y) {
        // Rows are stored bottom-up unless the height is negative.
        const std::int32_t stored = dib.height > 0 ? height - 1 - y : y;
        const std::uint8_t* row = dib.pixels.data() + stride * static_cast<std::size_t>(stored);
        for (std::int32_t x = 0; x < width; ++x) {
            std::uint32_t p = 0;
            const auto ux = static_cast<std::size_t>(x);
            switch (bits) {
            case 1:
                p = colour((row[ux / 8] >> (7 - ux % 8)) & 1);
                break;
            case 4:
                p = colour((row[ux / 2] >> (ux % 2 == 0 ? 4 : 0)) & 0xF);
                break;
            case 8:
                p = colour(row[ux]);
                break;
            default: {
                const std::uint8_t* px = row + ux * static_cast<std::size_t>(bits / 8);
                p = static_cast<std::uint32_t>(px[2]) << 16 | px[1] << 8 | px[0];
            }
            }
            rgb[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + ux] = p;
        }
    }
    std::int32_t w = width, h = height;
    if (mostSide > 0 && (width > mostSide || height > mostSide))
        rgb = Shrunk(rgb, w, h, mostSide);
    return EncodePng(w, h, rgb);
}

} // namespace ps
