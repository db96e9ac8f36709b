#include "sample_drawings.h"

#include "acad/releases.h"
#include "drawinglist/wholeness.h"

namespace samples {
namespace {

void Put32(std::string& s, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        s[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::string U32(std::uint32_t v) {
    std::string s(4, '\0');
    Put32(s, 0, v);
    return s;
}

const unsigned char kStart[16] = {0x1F, 0x25, 0x6D, 0x07, 0xD4, 0x36, 0x28, 0x28,
                                  0x9D, 0x57, 0xCA, 0x3F, 0x9D, 0x44, 0x10, 0x2B};
const unsigned char kEnd[16] = {0xE0, 0xDA, 0x92, 0xF8, 0x2B, 0xC9, 0xD7, 0xD7,
                                0x62, 0xA8, 0x35, 0xC0, 0x62, 0xBB, 0xEF, 0xD4};

} // namespace

std::string BitmapEntry(const Thumbnail& t) {
    const int stride = (t.width + 3) / 4 * 4;
    const auto imageSize = static_cast<std::uint32_t>(stride * t.height);
    std::string header(40, '\0');
    Put32(header, 0, 40);
    Put32(header, 4, static_cast<std::uint32_t>(t.width));
    Put32(header, 8, static_cast<std::uint32_t>(t.height));
    header[12] = 1; // planes
    header[14] = 8; // bits per pixel
    Put32(header, 20, imageSize);
    Put32(header, 32, 256);
    std::string palette(1024, '\0');
    for (int i = 0; i < 256; ++i) {
        // 0 black, 7 white, a few colours, then greys.
        unsigned char r = static_cast<unsigned char>(i), g = r, b = r;
        if (i == 7)
            r = g = b = 255;
        else if (i == 1)
            r = 255, g = 0, b = 0;
        else if (i == 2)
            r = 255, g = 255, b = 0;
        else if (i == 3)
            r = 0, g = 255, b = 0;
        else if (i == 5)
            r = 0, g = 0, b = 255;
        palette[static_cast<std::size_t>(i) * 4] = static_cast<char>(b);
        palette[static_cast<std::size_t>(i) * 4 + 1] = static_cast<char>(g);
        palette[static_cast<std::size_t>(i) * 4 + 2] = static_cast<char>(r);
    }
    std::string pixels(imageSize, '\0'); // black background, as AutoCAD stores it
    for (int y = 0; y < t.height; ++y) {
        for (int x = 0; x < t.width; ++x) {
            unsigned char c = 0;
            if (x == 2 || y == 2 || x == t.width - 3 || y == t.height - 3)
                c = 7; // a frame
            else if ((x + y + static_cast<int>(t.seed)) % 11 == 0)
                c = static_cast<unsigned char>(1 + t.seed % 5); // a hatch that differs per drawing
            pixels[static_cast<std::size_t>(y * stride + x)] = static_cast<char>(c);
        }
    }
    return header + palette + pixels;
}

std::string SampleDwg(std::string_view versionCode, const Thumbnail& t, std::size_t fillerBytes) {
    std::string file(versionCode.substr(0, 6));
    file.resize(0x100, '\0'); // header space; the area's offset lives at byte 13
    const auto areaStart = static_cast<std::uint32_t>(file.size());
    Put32(file, 13, areaStart);

    const std::string headerData(80, '\x01');
    const std::string bitmap = BitmapEntry(t);
    const std::uint32_t entriesStart = areaStart + 21 + 2 * 9;
    std::string area(reinterpret_cast<const char*>(kStart), 16);
    area += U32(static_cast<std::uint32_t>(21 - 16 + 2 * 9 + headerData.size() + bitmap.size()));
    area += '\x02';
    area += '\x01' + U32(entriesStart) + U32(static_cast<std::uint32_t>(headerData.size()));
    area += '\x02' + U32(entriesStart + static_cast<std::uint32_t>(headerData.size())) +
            U32(static_cast<std::uint32_t>(bitmap.size()));
    area += headerData + bitmap;
    area.append(reinterpret_cast<const char*>(kEnd), 16);
    file += area;
    for (std::size_t i = 0; i < fillerBytes; ++i)
        file += static_cast<char>('A' + (i * 7 + t.seed) % 26);
    return FrameDwg(std::move(file));
}

namespace {

const unsigned char kLocatorsEnd[16] = {0x95, 0xA0, 0x4E, 0x28, 0x99, 0x82, 0x1A, 0xE5,
                                        0x5E, 0x41, 0xE0, 0x5F, 0x9D, 0x3A, 0x4D, 0x00};

void Put64(std::string& s, std::size_t at, std::uint64_t v) {
    Put32(s, at, static_cast<std::uint32_t>(v));
    Put32(s, at + 4, static_cast<std::uint32_t>(v >> 32));
}

} // namespace

std::string UnframedDwg(std::string_view file) {
    if (file.size() < 0x100 || ps::LayoutOfCode(file.substr(0, 6)) != ps::DwgLayout::PageMap)
        return std::string(file);
    const auto header =
        ps::ParseR2004Header(ps::R2004HeaderCipher(file.substr(ps::kR2004HeaderAt, ps::kR2004HeaderBytes)));
    if (!header || header->pageMapAt < 0x100 || header->pageMapAt > file.size())
        return std::string(file);
    return std::string(file.substr(0, header->pageMapAt));
}

std::string FrameDwg(std::string file) {
    const ps::DwgLayout layout = ps::LayoutOfCode(file.substr(0, 6));
    if (layout != ps::DwgLayout::Locators && layout != ps::DwgLayout::PageMap)
        return file;
    if (file.size() < 0x100)
        file.resize(0x100, '\0');
    if (layout == ps::DwgLayout::Locators) {
        // One locator: record 0 from 0x100 to the end, a CRC left at zero, the sentinel.
        Put32(file, 0x15, 1);
        file[0x19] = 0;
        Put32(file, 0x1A, 0x100);
        Put32(file, 0x1E, static_cast<std::uint32_t>(file.size() - 0x100));
        file[0x22] = file[0x23] = 0;
        file.replace(0x24, 16, reinterpret_cast<const char*>(kLocatorsEnd), 16);
        return file;
    }
    const std::uint64_t pageMapAt = file.size();
    const std::string pageData(16, '\0');
    std::string page = U32(ps::kR2004PageMapType) + U32(16) +
                       U32(static_cast<std::uint32_t>(pageData.size())) + U32(2) + U32(0) + pageData;
    std::string plain(ps::kR2004HeaderBytes, '\0');
    plain.replace(0, 12, std::string("AcFssFcAJMB\0", 12));
    Put32(plain, 0x10, 0x6C);
    Put64(plain, 0x34, pageMapAt + page.size());
    Put64(plain, 0x54, pageMapAt - 0x100);
    const std::string scrambled = ps::R2004HeaderCipher(plain);
    file.replace(ps::kR2004HeaderAt, ps::kR2004HeaderBytes, scrambled);
    return file + page + scrambled;
}

std::string SampleDxf(std::string_view versionCode) {
    std::string s = "  0\r\nSECTION\r\n  2\r\nHEADER\r\n  9\r\n$ACADVER\r\n  1\r\n" +
                    std::string(versionCode) + "\r\n  0\r\nENDSEC\r\n  0\r\nSECTION\r\n  2\r\nENTITIES\r\n";
    s += "  0\r\nLINE\r\n  8\r\n0\r\n 10\r\n0.0\r\n 20\r\n0.0\r\n 11\r\n100.0\r\n 21\r\n50.0\r\n";
    s += "  0\r\nENDSEC\r\n  0\r\nEOF\r\n";
    return s;
}

std::vector<SampleFile> DemoFolder() {
    std::vector<SampleFile> files;
    const std::pair<const char*, const char*> dwgs[] = {{"Floor plan R14.dwg", "AC1014"},
                                                        {"Site 2000.dwg", "AC1015"},
                                                        {"Section 2000.dwg", "AC1015"},
                                                        {"Elevation 2004.dwg", "AC1018"},
                                                        {"Details 2007.dwg", "AC1021"},
                                                        {"Survey 2010.dwg", "AC1024"},
                                                        {"Tower 2013.dwg", "AC1027"},
                                                        {"Campus 2018.dwg", "AC1032"},
                                                        {"Archive\\Old plan R13.dwg", "AC1012"},
                                                        {"Archive\\Roof 2004.dwg", "AC1018"}};
    std::uint32_t seed = 1;
    for (const auto& [name, code] : dwgs) {
        files.push_back({name, SampleDwg(code, Thumbnail{96, 60, seed}, 3000 + seed * 1500)});
        ++seed;
    }
    files.push_back({"Exchange R12.dxf", SampleDxf("AC1009")});
    files.push_back({"Exchange 2000.dxf", SampleDxf("AC1015")});
    files.push_back({"Notes.dwg", "This is a text file with a drawing's name.\r\n"});
    files.push_back({"Archive\\Roof 2004.bak", SampleDwg("AC1018", Thumbnail{}, 512)});
    files.push_back({"Archive\\Roof 2004.dwl", "lock file of an AutoCAD session that ended long ago\r\n"});
    return files;
}

} // namespace samples
