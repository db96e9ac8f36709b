#include "drawinglist/drawing_list.h"

#include "core/strings.h"
#include "core/file_facts.h"
#include "drawinglist/version.h"

#include <algorithm>

namespace ps {

std::string FullPath(const DrawingRow& row) {
    return row.cells[kColPath] + "\\" + row.cells[kColFilename];
}

DrawingRow MakeFolderRow(std::string_view folder) {
    DrawingRow row;
    row.cells[kColPath] = std::string(folder);
    row.cells[kColVersion] = std::string(kFolderVersion);
    return row;
}

bool DrawingList::before(const DrawingRow& a, const DrawingRow& b) const {
    const std::string ka = ToUpper(a.cells[sortKey_]);
    const std::string kb = ToUpper(b.cells[sortKey_]);
    return order_ == SortOrder::Descending ? kb < ka : ka < kb;
}

std::size_t DrawingList::append(DrawingRow row) {
    identify(row);
    if (!sorted_) {
        rows_.push_back(std::move(row));
        return rows_.size() - 1;
    }
    auto at = std::upper_bound(rows_.begin(), rows_.end(), row,
                               [this](const DrawingRow& a, const DrawingRow& b) { return before(a, b); });
    const auto position = static_cast<std::size_t>(at - rows_.begin());
    rows_.insert(at, std::move(row));
    return position;
}

void DrawingList::insert(std::size_t position, DrawingRow row) {
    identify(row);
    rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(std::min(position, rows_.size())),
                 std::move(row));
}

void DrawingList::erase(std::size_t position) {
    if (position < rows_.size())
        rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(position));
}

std::optional<std::size_t> DrawingList::positionOf(std::uint64_t id, std::size_t hint) const {
    if (hint < rows_.size() && rows_[hint].id == id)
        return hint;
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].id == id)
            return i;
    return std::nullopt;
}

std::size_t DrawingList::removeSelected() {
    const auto before = rows_.size();
    std::erase_if(rows_, [](const DrawingRow& r) { return r.selected; });
    return before - rows_.size();
}

void DrawingList::selectAll(bool selected) {
    for (auto& r : rows_)
        r.selected = selected;
}

void DrawingList::sortByColumn(Column column, MessagePump* pump) {
    sortKey_ = column;
    sorted_ = true;
    order_ = order_ == SortOrder::Ascending ? SortOrder::Descending : SortOrder::Ascending;
    // Each row's key is upper-cased once, not at every comparison.
    std::vector<std::pair<std::string, std::size_t>> keys;
    keys.reserve(rows_.size());
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (pump != nullptr && i % 1024 == 1023)
            pump->pumpOnce();
        keys.emplace_back(ToUpper(rows_[i].cells[column]), i);
    }
    const bool descending = order_ == SortOrder::Descending;
    std::size_t comparisons = 0;
    std::stable_sort(keys.begin(), keys.end(), [&](const auto& a, const auto& b) {
        if (pump != nullptr && ++comparisons % 4096 == 0)
            pump->pumpOnce(); // the rows are untouched until the keys are in order
        return descending ? b.first < a.first : a.first < b.first;
    });
    std::vector<DrawingRow> sorted;
    sorted.reserve(rows_.size());
    for (const auto& [key, index] : keys)
        sorted.push_back(std::move(rows_[index]));
    rows_ = std::move(sorted);
}

bool AcceptsDrawing(std::optional<std::uint32_t> attributes, std::string_view path, bool archiveAttrib,
                    bool includeDxf) {
    const std::uint32_t attrs = attributes.value_or(0xFFFFFFFFu);
    if (!archiveAttrib && (attrs & kAttrArchive) != 0)
        return false;
    if ((attrs & kAttrDirectory) != 0)
        return false;
    const auto cut = path.find_last_of("\\:");
    const auto plainName = cut == std::string_view::npos ? path : path.substr(cut + 1);
    if (plainName == "." || plainName == "..")
        return false;
    const std::string extension = ToLower(FileExtension(path));
    return extension == "dwg" || (extension == "dxf" && includeDxf);
}

bool addToListView(DrawingList& list, const FileSystem& fs, const Settings& settings, std::string_view path) {
    if (HasControlCharacter(path))
        return false;
    if (!AcceptsDrawing(fs.attributes(path), path, IsOn(settings.ArchiveAttrib), IsOn(settings.IncludeDXF)))
        return false;
    DrawingRow row;
    row.cells[kColFilename] = FileBaseName(path, false) + "." + FileExtension(path);
    row.cells[kColPath] = FileFolder(path);
    if (IsOn(settings.showVersion))
        row.cells[kColVersion] = DwgVers(fs, path);
    row.cells[kColSizeBefore] = std::to_string(FileSizeKB(fs, path));
    row.cells[kColSizeAfter] = " ";
    row.cells[kColDateBefore] = FileDateText(fs, path);
    if (path.find(';') != std::string_view::npos)
        row.cells[kColStatus] = std::string(status::kNameHoldsSemicolon);
    list.append(std::move(row));
    return true;
}

} // namespace ps
