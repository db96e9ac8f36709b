#include "drawinglist/version.h"

#include "acad/releases.h"

#include "core/strings.h"
#include "core/file_facts.h"

namespace ps {
namespace {

// Mid$ with 1-based start: whatever characters exist there, up to count.
std::string_view Mid(std::string_view text, std::size_t start, std::size_t count) {
    if (start - 1 >= text.size())
        return {};
    return text.substr(start - 1, count);
}

// The label of a plain file from its first bytes (nullopt: unreadable).
std::string LabelOf(std::string_view path, const std::optional<std::string>& head) {
    const std::string extension = ToLower(FileExtension(path));
    if (extension == "dwg")
        return head ? DwgLabelFromHeader(*head) : std::string(kVersionUnknownDwg);
    if (extension == "dxf")
        return DxfLabelFromCode(head ? DxfCodeFromHeader(*head) : std::string("DXF"));
    return {};
}

} // namespace

std::string_view NewerDwgLabel() {
    static const std::string label = ">" + std::string(Families().back().reads.back().label);
    return label;
}

std::string DwgLabelFromHeader(std::string_view firstBytes) {
    const auto code = Left(firstBytes, kDwgHeaderBytes);
    const auto label = VersionLabelOfCode(code);
    if (label.empty())
        return std::string(IsNewerDwgCode(code) ? NewerDwgLabel() : kVersionUnknownDwg);
    return std::string(label);
}

std::string DxfCodeFromHeader(std::string_view firstBytes) {
    const auto head = Left(firstBytes, kDxfHeaderBytes);
    // Binary DXF with one-byte group codes: the 22-byte sentinel, then groups
    // 0 SECTION, 2 HEADER, 9 $ACADVER and 1 put the value at byte 51. An ASCII
    // header of seven CR LF lines puts it at byte 48.
    std::string code(Mid(head, Left(head, 18) == "AutoCAD Binary DXF" ? 51 : 48, 6));
    // A file that opens with a section but has no version where expected is
    // taken for release 11/12.
    if (Left(code, 2) != "AC" &&
        (ToUpper(Mid(head, 4, 7)) == "SECTION" || ToUpper(Mid(head, 5, 7)) == "SECTION"))
        code = "AC1009";
    return code;
}

std::string DxfLabelFromCode(std::string_view code) {
    const auto label = VersionLabelOfCode(code);
    return std::string(label.empty() ? kVersionUnknownDxf : label);
}

std::string DxfHeaderVersion(const FileSystem& fs, std::string_view path) {
    if (!PlainFileSize(fs, path))
        return "DXF";
    const auto head = fs.readPrefix(path, kDxfHeaderBytes);
    if (!head)
        return "DXF";
    return DxfCodeFromHeader(*head);
}

std::string DwgVers(const FileSystem& fs, std::string_view path) {
    if (!PlainFileSize(fs, path))
        return {};
    const std::string extension = ToLower(FileExtension(path));
    if (extension != "dwg" && extension != "dxf")
        return {};
    return LabelOf(path, fs.readPrefix(path, extension == "dwg" ? kDwgHeaderBytes : kDxfHeaderBytes));
}

DrawingFacts ReadDrawingFacts(const FileSystem& fs, std::string_view path) {
    DrawingFacts facts;
    const auto entry = fs.findEntry(path);
    if (!entry || (entry->attributes & kAttrDirectory) != 0)
        return facts;
    facts.exists = true;
    facts.readOnly = (entry->attributes & kAttrReadOnly) != 0;
    facts.bytes = entry->size;
    const auto plain = PlainFileSize(*entry);
    facts.sizeKB = plain ? KilobytesHalfEven(*plain) : 0;
    auto head = fs.readPrefixDenyingWrites(path, kDrawingHeadBytes);
    facts.openableAlone = head.has_value();
    if (!head)
        head = fs.readPrefix(path, kDrawingHeadBytes);
    facts.readable = head.has_value();
    if (facts.readable)
        facts.dateText = fs.dateText(entry->times.modified);
    if (plain)
        facts.version = LabelOf(path, head);
    if (head)
        facts.head = std::move(*head);
    return facts;
}

} // namespace ps
