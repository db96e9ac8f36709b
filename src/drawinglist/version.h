// The release that wrote a DWG or DXF drawing, told from the first bytes of
// the file, as the short label of the list's Version column.
#pragma once

#include "core/file_system.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace ps {

inline constexpr std::string_view kVersionUnknownDwg = "???";
inline constexpr std::string_view kVersionUnknownDxf = "DXF?";
// The label of a DWG of a release newer than any this program knows: ">"
// and the newest label (">2018").
std::string_view NewerDwgLabel();

inline constexpr std::size_t kDwgHeaderBytes = 6;
inline constexpr std::size_t kDxfHeaderBytes = 56;
// What a look at a drawing reads of its start: the version, and all a DWG's
// wholeness needs of its header.
inline constexpr std::size_t kDrawingHeadBytes = 0x100;

// The label of a DWG from its first bytes: "???" when not recognised,
// NewerDwgLabel() for a later release's code.
std::string DwgLabelFromHeader(std::string_view firstBytes);
// The version code of a DXF from its first 56 bytes (fewer for a short file).
std::string DxfCodeFromHeader(std::string_view firstBytes);
// The label of a DXF code: "DXF?" when not recognised.
std::string DxfLabelFromCode(std::string_view code);

// The label of the file at path: empty when a plain directory search does not
// find it (missing, hidden or system) or its extension is neither dwg nor
// dxf; "???" for an unreadable DWG, "DXF?" for an unreadable DXF. Reads at
// most 56 bytes; never raises.
std::string DwgVers(const FileSystem& fs, std::string_view path);
// What a run measures of a drawing before it plans it and after AutoCAD:
// one directory search and, for a file that is there, one open (two when
// another program writes it). Each field reads as its own helper would.
struct DrawingFacts {
    bool exists = false;        // found, and not a folder (FileExists)
    bool readOnly = false;      // IsReadOnly
    bool readable = false;      // its first bytes can be read, sharing allowed
    bool openableAlone = false; // it can be read while refusing others write access
    std::int64_t sizeKB = 0;    // FileSizeKB
    std::uint64_t bytes = 0;    // its length
    std::string dateText;       // FileDateText: empty when it cannot be opened
    std::string version;        // DwgVers
    std::string head;           // its first kDrawingHeadBytes, as read (fewer for a short file)
};
DrawingFacts ReadDrawingFacts(const FileSystem& fs, std::string_view path);

// The version code of a DXF file; "DXF" when it cannot be read.
std::string DxfHeaderVersion(const FileSystem& fs, std::string_view path);

} // namespace ps
