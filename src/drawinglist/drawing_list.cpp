#include "drawinglist/drawing_list.h"

#include "core/strings.h"
#include "core/file_facts.h"
#include "drawinglist/version.h"

#include <algorithm>
#include <cstdio>
#include <vector>

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

namespace {

DateOrder g_dateOrder = DateOrder::YMD;

// The key of a cell that is no number or date: before every one that is.
std::string PlainKey(std::string_view cell) {
    return std::string(1, '\0') + ToUpper(cell);
}

// A number as a key that sorts as text: its digits right-aligned in 20
// places, behind the cells that are none.
std::string NumberKey(std::string_view cell) {
    const std::string_view digits = TrimBlanks(cell);
    if (digits.empty() || digits.size() > 19 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return PlainKey(cell);
    return "\x01" + std::string(20 - digits.size(), '0') + std::string(digits);
}

// A date and time as year, month, day, hour, minute, second, from the digit
// groups of the cell in the user's order, with an afternoon marker honoured.
std::string DateKey(std::string_view cell) {
    std::vector<long> groups;
    long value = -1;
    for (char c : cell) {
        if (c >= '0' && c <= '9') {
            value = (value < 0 ? 0 : value * 10) + (c - '0');
            if (value > 99999)
                return PlainKey(cell);
        } else if (value >= 0) {
            groups.push_back(value);
            value = -1;
        }
    }
    if (value >= 0)
        groups.push_back(value);
    if (groups.size() < 3)
        return PlainKey(cell);
    long year = groups[0], month = groups[1], day = groups[2];
    if (g_dateOrder == DateOrder::DMY) {
        day = groups[0];
        year = groups[2];
    } else if (g_dateOrder == DateOrder::MDY) {
        month = groups[0];
        day = groups[1];
        year = groups[2];
    }
    if (year < 100)
        year += 2000;
    long hour = groups.size() > 3 ? groups[3] : 0;
    const std::string upper = ToUpper(cell);
    if (upper.find("PM") != std::string::npos && hour < 12)
        hour += 12;
    else if (upper.find("AM") != std::string::npos && hour == 12)
        hour = 0;
    char key[40];
    std::snprintf(key, sizeof key, "\x01%05ld%02ld%02ld%02ld%02ld%02ld", year, month, day, hour,
                  groups.size() > 4 ? groups[4] : 0L, groups.size() > 5 ? groups[5] : 0L);
    return key;
}

} // namespace

void SetListDateOrder(DateOrder order) {
    g_dateOrder = order;
}

std::string SortKeyOf(Column column, std::string_view cell) {
    switch (column) {
    case kColSizeBefore:
    case kColSizeAfter:
        return NumberKey(cell);
    case kColDateBefore:
    case kColDateAfter:
        return DateKey(cell);
    default:
        return ToUpper(cell);
    }
}

bool DrawingList::before(const DrawingRow& a, const DrawingRow& b) const {
    const std::string ka = SortKeyOf(sortKey_, a.cells[sortKey_]);
    const std::string kb = SortKeyOf(sortKey_, b.cells[sortKey_]);
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
    // Each row's key is made once, not at every comparison.
    std::vector<std::pair<std::string, std::size_t>> keys;
    keys.reserve(rows_.size());
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (pump != nullptr && i % 1024 == 1023)
            pump->pumpOnce();
        keys.emplace_back(SortKeyOf(column, rows_[i].cells[column]), i);
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
