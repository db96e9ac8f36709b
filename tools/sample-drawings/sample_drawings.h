// Sample drawings for the demo and for tests: small files that carry what
// the program reads of a real drawing (the version code in the header, a
// preview image area with a bitmap thumbnail) and nothing else a real
// AutoCAD would need. They are not drawings AutoCAD could open.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace samples {

struct Thumbnail {
    int width = 64;
    int height = 40;
    std::uint32_t seed = 1; // varies the picture
};

// The 8-bit bitmap entry of an image area: BITMAPINFOHEADER, 256 palette
// entries, bottom-up rows padded to four bytes.
std::string BitmapEntry(const Thumbnail& t);

// A DWG-like file: six-byte version code, the image area's offset at byte 13,
// the image area (sentinel, size, a header entry and a bitmap entry, end
// sentinel), then filler.
std::string SampleDwg(std::string_view versionCode, const Thumbnail& t, std::size_t fillerBytes = 4096);

// An ASCII DXF with the usual header and one line entity.
std::string SampleDxf(std::string_view versionCode);

struct SampleFile {
    std::string name;  // relative, with "\" between folders
    std::string bytes;
};

// The demo folder: drawings of several releases (DWG and DXF), one file that
// is no drawing, and old AutoCAD temporary files in a subfolder.
std::vector<SampleFile> DemoFolder();

} // namespace samples
