// PNG files written without any library: the pictures of the run report.
// The image data is stored, not compressed (thumbnails are small), so the
// writer needs only the format's checksums.
#pragma once

#include "preview/thumbnail.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ps {

// A PNG of width × height pixels from rows of 0xRRGGBB values, top row
// first; empty for a size of 0 or pixels that do not fill it.
std::string EncodePng(std::int32_t width, std::int32_t height, const std::vector<std::uint32_t>& rgb);

// A thumbnail bitmap of 1, 4, 8, 24 or 32 bits per pixel as a PNG; nullopt
// for any other depth or rows that do not hold the picture. With mostSide,
// a larger picture is first made to fit mostSide by mostSide (each pixel the
// average of those it covers, so thin lines stay visible).
std::optional<std::string> DibToPng(const DibImage& dib, std::int32_t mostSide = 0);

} // namespace ps
