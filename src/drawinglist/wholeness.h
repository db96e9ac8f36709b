// Whether a saved drawing is whole, as far as its own header lets us tell:
// a DWG whose header declares sections or pages beyond its end, or a DXF
// that does not end with its EOF group, was cut short (a full disk, a broken
// connection, a write stopped part-way).
#pragma once

#include "core/file_system.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace ps {

enum class Wholeness {
    Whole,
    Cut,        // something the file declares lies beyond its end
    NoEvidence, // the header cannot be read or its format declares nothing
};

// The 0x6C bytes of the header of a 2004-and-later DWG at 0x80 are kept
// scrambled by a fixed sequence; the same call scrambles and unscrambles.
std::string R2004HeaderCipher(std::string_view bytes);

inline constexpr std::size_t kR2004HeaderAt = 0x80;
inline constexpr std::size_t kR2004HeaderBytes = 0x6C;
inline constexpr std::uint32_t kR2004PageMapType = 0x41630E3B;
inline constexpr std::size_t kR2004PageHeaderBytes = 0x14;

// What an unscrambled 2004-and-later header declares.
struct R2004Header {
    std::uint64_t pageMapAt = 0;      // where the page map's page begins
    std::uint64_t secondHeaderAt = 0; // the header's copy near the end
};
// nullopt when the bytes are no such header (wrong file identifier).
std::optional<R2004Header> ParseR2004Header(std::string_view plain);

// The end of the last section the locators of an R13 to 2000 DWG declare,
// from the file's first bytes; nullopt when they cannot be read (no end
// sentinel where the locators say it is).
std::optional<std::uint64_t> R13SectionsEnd(std::string_view head);

using ReadAt = std::function<std::optional<std::string>(std::uint64_t offset, std::size_t count)>;
// A DWG of the given size: head holds its first 0x100 bytes (or all of a
// shorter file); readAt reads elsewhere.
Wholeness DwgWholeness(std::string_view head, std::uint64_t size, const ReadAt& readAt);
// A DXF by its last bytes: ASCII ends with the group "0" / "EOF", binary
// with group code 0 and "EOF" and its terminating NUL.
Wholeness DxfWholeness(std::string_view tail, bool binary);

// The file at path by its extension: dwg or dxf; anything else, or a file
// that cannot be read, gives no evidence.
Wholeness SavedDrawingWholeness(const FileSystem& files, std::string_view path);
// The same for a drawing of the given size whose first bytes were read a
// moment ago (0x100, or all of a shorter file): only the rest is read.
Wholeness DrawingWholeness(const FileSystem& files, std::string_view path, std::string_view head,
                           std::uint64_t size);

} // namespace ps
