// The drawing list: the run's work queue. One row per drawing file with eight
// text cells, plus folder rows that stand for folders searched at run start.
// A run processes exactly the rows whose Status is empty.
#pragma once

#include "core/file_facts.h"
#include "core/file_system.h"
#include "core/settings.h"
#include "core/system_ports.h"
#include "drawinglist/status.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ps {

enum Column : std::size_t {
    kColFilename = 0,
    kColPath,
    kColVersion,
    kColStatus,
    kColSizeBefore,
    kColSizeAfter,
    kColDateBefore,
    kColDateAfter,
    kColumnCount
};

inline constexpr std::array<std::string_view, kColumnCount> kColumnCaptions{
    "Filename", "Path", "Version", "Status", "Size before", "Size after", "Date before", "Date after"};

inline constexpr std::string_view kFolderVersion = "FOLDER";

struct DrawingRow {
    std::array<std::string, kColumnCount> cells;
    bool selected = false;
    // Given by the list when the row enters it; stays with the row through
    // sorts, insertions and removals of other rows.
    std::uint64_t id = 0;

    const std::string& cell(Column c) const { return cells[c]; }
    std::string& cell(Column c) { return cells[c]; }
    // A folder row has an empty Filename.
    bool isFolder() const { return cells[kColFilename].empty(); }
    bool isPending() const { return cells[kColStatus].empty(); }
};

// Path + "\" + Filename.
std::string FullPath(const DrawingRow& row);
DrawingRow MakeFolderRow(std::string_view folder);

enum class SortOrder { None, Ascending, Descending };

// The order of day, month and year in the list's date cells (the user's
// short date): set once at start-up from the user's locale; YMD until then.
void SetListDateOrder(DateOrder order);

// What a cell sorts by: the sizes by number, the dates by date and time,
// everything else as text without regard to letter case. Cells that are not
// a number or a date (blank, "?") sort before those that are.
std::string SortKeyOf(Column column, std::string_view cell);

class DrawingList {
public:
    std::size_t size() const { return rows_.size(); }
    bool empty() const { return rows_.empty(); }
    DrawingRow& operator[](std::size_t i) { return rows_[i]; }
    const DrawingRow& operator[](std::size_t i) const { return rows_[i]; }
    auto begin() { return rows_.begin(); }
    auto end() { return rows_.end(); }
    auto begin() const { return rows_.begin(); }
    auto end() const { return rows_.end(); }

    // Appends at the end, or at its sorted place while sorting is on.
    // Returns the row's position.
    std::size_t append(DrawingRow row);
    void insert(std::size_t position, DrawingRow row);
    void erase(std::size_t position);
    // The row's position now, or nullopt when it has gone. The hint (a former
    // position) makes the usual case O(1).
    std::optional<std::size_t> positionOf(std::uint64_t id, std::size_t hint = 0) const;
    // The identity given to the row that entered last.
    std::uint64_t lastId() const { return lastId_; }
    // Removes every selected row; returns how many went.
    std::size_t removeSelected();
    void selectAll(bool selected);

    // A click on a column header: sort by it, sorting on, direction flipped
    // (one switch for the whole list). Cells compare by SortKeyOf. A window passes
    // its pump (and is busy meanwhile): it is called now and then while the
    // keys are gathered and compared, never while rows move.
    void sortByColumn(Column column, MessagePump* pump = nullptr);
    // Bulk additions switch sorting off so new rows land at the end.
    void setSortingOff() { sorted_ = false; }
    bool sorted() const { return sorted_; }
    Column sortKey() const { return sortKey_; }
    SortOrder sortOrder() const { return order_; }

private:
    bool before(const DrawingRow& a, const DrawingRow& b) const;
    void identify(DrawingRow& row) { row.id = ++lastId_; }
    std::vector<DrawingRow> rows_;
    std::uint64_t lastId_ = 0;
    bool sorted_ = false;
    Column sortKey_ = kColFilename;
    SortOrder order_ = SortOrder::None;
};

// The acceptance rule for one file: archive rule, not a folder (nor missing,
// where a failed query counts as every attribute set), not "." or "..", and
// extension dwg, or dxf when DXF files are included.
bool AcceptsDrawing(std::optional<std::uint32_t> attributes, std::string_view path, bool archiveAttrib,
                    bool includeDxf);

// Adds one drawing row for path when the rule accepts it; a path holding
// ";" enters with the status that refuses it.
bool addToListView(DrawingList& list, const FileSystem& fs, const Settings& settings, std::string_view path);

} // namespace ps
