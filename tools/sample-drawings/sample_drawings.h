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
// the image area at 0x100 (sentinel, size, a header entry and a bitmap entry,
// end sentinel), then filler; framed as below.
std::string SampleDwg(std::string_view versionCode, const Thumbnail& t, std::size_t fillerBytes = 4096);

// Gives a DWG-like file the header its version code calls for, declaring
// sections that end exactly where the file ends: R13 to 2000 one section
// locator from 0x100 to the end; 2004 and later (not 2007) the scrambled
// header at 0x80, a page map page and the header's copy appended. A shorter
// file is first padded to 0x100 bytes; one that was framed before must be
// passed through UnframedDwg first. Other codes are returned as they are.
std::string FrameDwg(std::string file);
// The bytes of a framed file before what the frame appended.
std::string UnframedDwg(std::string_view file);

// An ASCII DXF with the usual header and one line entity.
std::string SampleDxf(std::string_view versionCode);

struct SampleFile {
    std::string name; // relative, with "\" between folders
    std::string bytes;
};

// The demo folder: drawings of several releases (DWG and DXF), one file that
// is no drawing, and old AutoCAD temporary files in a subfolder.
std::vector<SampleFile> DemoFolder();

} // namespace samples
