#include "drawinglist/wholeness.h"

#include "acad/releases.h"

#include "core/file_facts.h"
#include "core/strings.h"
#include "drawinglist/version.h"

namespace ps {
namespace {

std::uint64_t Le(std::string_view bytes, std::size_t at, std::size_t width) {
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < width; ++i)
        v |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    return v;
}

constexpr unsigned char kLocatorsEnd[16] = {0x95, 0xA0, 0x4E, 0x28, 0x99, 0x82, 0x1A, 0xE5,
                                            0x5E, 0x41, 0xE0, 0x5F, 0x9D, 0x3A, 0x4D, 0x00};
constexpr std::string_view kR2004FileId{"AcFssFcAJMB\0", 12};
// Real files hold three to six locators; more means the bytes are no header.
constexpr std::uint64_t kMaxLocators = 16;

} // namespace

std::string R2004HeaderCipher(std::string_view bytes) {
    std::string out(bytes);
    std::uint32_t seed = 1;
    for (char& c : out) {
        seed = seed * 0x343FDu + 0x269EC3u;
        c = static_cast<char>(static_cast<unsigned char>(c) ^ ((seed >> 16) & 0xFF));
    }
    return out;
}

std::optional<R2004Header> ParseR2004Header(std::string_view plain) {
    if (plain.size() < kR2004HeaderBytes || plain.substr(0, kR2004FileId.size()) != kR2004FileId)
        return std::nullopt;
    R2004Header h;
    h.secondHeaderAt = Le(plain, 0x34, 8);
    // Stored relative to the end of the file's first 0x100 bytes.
    const std::uint64_t map = Le(plain, 0x54, 8);
    if (map > UINT64_MAX - 0x100)
        return std::nullopt;
    h.pageMapAt = map + 0x100;
    return h;
}

std::optional<std::uint64_t> R13SectionsEnd(std::string_view head) {
    if (head.size() < 0x19)
        return std::nullopt;
    const std::uint64_t count = Le(head, 0x15, 4);
    if (count == 0 || count > kMaxLocators)
        return std::nullopt;
    const std::size_t records = 0x19;
    const std::size_t sentinel = records + 9 * static_cast<std::size_t>(count) + 2; // after the CRC
    if (head.size() < sentinel + sizeof kLocatorsEnd ||
        head.substr(sentinel, sizeof kLocatorsEnd) !=
            std::string_view(reinterpret_cast<const char*>(kLocatorsEnd), sizeof kLocatorsEnd))
        return std::nullopt;
    std::uint64_t end = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = records + 9 * i;
        end = std::max(end, Le(head, at + 1, 4) + Le(head, at + 5, 4));
    }
    return end;
}

Wholeness DwgWholeness(std::string_view head, std::uint64_t size, const ReadAt& readAt) {
    const DwgLayout layout = LayoutOfCode(head.substr(0, 6));
    if (layout == DwgLayout::Locators) {
        const auto end = R13SectionsEnd(head);
        if (!end)
            return Wholeness::NoEvidence;
        return *end <= size ? Wholeness::Whole : Wholeness::Cut;
    }
    if (layout != DwgLayout::PageMap)
        return Wholeness::NoEvidence; // R12 and older declare no sections; 2007 keeps its header coded
    if (head.size() < kR2004HeaderAt + kR2004HeaderBytes)
        return size < kR2004HeaderAt + kR2004HeaderBytes ? Wholeness::Cut : Wholeness::NoEvidence;
    const auto header = ParseR2004Header(R2004HeaderCipher(head.substr(kR2004HeaderAt, kR2004HeaderBytes)));
    if (!header)
        return Wholeness::NoEvidence;
    // The copy of the header closes the file; the page map lies before it.
    if (header->secondHeaderAt > size || size - header->secondHeaderAt < kR2004HeaderBytes ||
        header->pageMapAt > size || size - header->pageMapAt < kR2004PageHeaderBytes)
        return Wholeness::Cut;
    const auto page = readAt(header->pageMapAt, kR2004PageHeaderBytes);
    if (!page || page->size() < kR2004PageHeaderBytes)
        return Wholeness::NoEvidence;
    if (Le(*page, 0, 4) != kR2004PageMapType)
        return Wholeness::NoEvidence;
    const std::uint64_t stored = Le(*page, 8, 4);
    return stored <= size - header->pageMapAt - kR2004PageHeaderBytes ? Wholeness::Whole : Wholeness::Cut;
}

Wholeness DxfWholeness(std::string_view tail, bool binary) {
    if (binary)
        return EndsWith(tail, std::string_view("\0EOF\0", 5)) ? Wholeness::Whole : Wholeness::Cut;
    // Blank lines, spaces and an end-of-file mark may follow the last group.
    while (!tail.empty() && (tail.back() == '\r' || tail.back() == '\n' || tail.back() == ' ' ||
                             tail.back() == '\t' || tail.back() == '\0' || tail.back() == '\x1A'))
        tail.remove_suffix(1);
    if (!EndsWith(tail, "EOF"))
        return Wholeness::Cut;
    tail.remove_suffix(3);
    const auto lineEnd = tail.find_last_not_of(" \t");
    if (lineEnd == std::string_view::npos || (tail[lineEnd] != '\n' && tail[lineEnd] != '\r'))
        return Wholeness::Cut; // "EOF" is not a line of its own
    tail = tail.substr(0, lineEnd + 1);
    while (!tail.empty() && (tail.back() == '\r' || tail.back() == '\n'))
        tail.remove_suffix(1);
    const auto lineStart = tail.find_last_of("\r\n");
    const std::string_view group =
        TrimBlanks(lineStart == std::string_view::npos ? tail : tail.substr(lineStart + 1));
    return group == "0" ? Wholeness::Whole : Wholeness::Cut;
}

Wholeness DrawingWholeness(const FileSystem& files, std::string_view path, std::string_view head,
                           std::uint64_t size) {
    const std::string extension = ToLower(FileExtension(path));
    if (extension == "dwg")
        return DwgWholeness(head, size, [&](std::uint64_t offset, std::size_t count) {
            return files.readRange(path, offset, count);
        });
    if (extension == "dxf") {
        constexpr std::size_t kTail = 256;
        const auto tail = files.readRange(path, size > kTail ? size - kTail : 0, kTail);
        if (!tail)
            return Wholeness::NoEvidence;
        return DxfWholeness(*tail, head.substr(0, 18) == "AutoCAD Binary DXF");
    }
    return Wholeness::NoEvidence;
}

Wholeness SavedDrawingWholeness(const FileSystem& files, std::string_view path) {
    const auto entry = files.findEntry(path);
    if (!entry)
        return Wholeness::NoEvidence;
    const std::string extension = ToLower(FileExtension(path));
    if (extension != "dwg" && extension != "dxf")
        return Wholeness::NoEvidence;
    const auto head = files.readPrefix(path, kDrawingHeadBytes);
    if (!head)
        return Wholeness::NoEvidence;
    return DrawingWholeness(files, path, *head, entry->size);
}

} // namespace ps
