// The drawing list in the main window: a virtual list view over the list
// model, its selection, sorting, preview, context menu and the commands that
// add, remove, reset, export and import rows.
#include "ui/main_window.h"

#include "platform/off_thread.h"
#include "platform/wic_png.h"
#include "report/run_csv.h"
#include "report/run_report.h"

#include "core/strings.h"
#include "drawinglist/dialog_answer.h"
#include "core/file_facts.h"
#include "drawinglist/folder_search.h"
#include "drawinglist/list_file.h"
#include "drawinglist/version.h"
#include "platform/win_paths.h"
#include "platform/win_system.h"
#include "run/run_engine.h"
#include "ui/commands.h"
#include "ui/win_ui.h"

#include <shellapi.h>

#include <algorithm>
#include <cstdio>

namespace ps {
namespace {

// Redrawing stops while many rows change and resumes with one redraw.
void LockControl(HWND control, bool lock) {
    SendMessageW(control, WM_SETREDRAW, lock ? FALSE : TRUE, 0);
    if (!lock)
        RedrawWindow(control, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

std::string DrawingsAddedText(std::size_t added) {
    return std::to_string(added) + (added == 1 ? " drawing added" : " drawings added");
}

// Today's date as a file name takes it: YYYY-MM-DD.
std::string DateForFileName() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    char text[16];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u", t.wYear, t.wMonth, t.wDay);
    return text;
}

} // namespace

void MainWindow::refreshList(bool contentChanged) {
    listChanged();
    if (contentChanged)
        clearRunResult();
    ListView_SetItemCountEx(list_, static_cast<int>(rows_.size()), LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL);
    // Rows may have moved: the highlight and focus go where their drawings are.
    writeSelection();
    InvalidateRect(list_, nullptr, FALSE);
}

void MainWindow::readSelection() {
    rows_.selectAll(false);
    for (int i = ListView_GetNextItem(list_, -1, LVNI_SELECTED); i >= 0;
         i = ListView_GetNextItem(list_, i, LVNI_SELECTED))
        if (static_cast<std::size_t>(i) < rows_.size())
            rows_[static_cast<std::size_t>(i)].selected = true;
}

void MainWindow::writeSelection() {
    // The rows carry the selection; the list view only shows it.
    const bool wasSyncing = syncingSelection_;
    syncingSelection_ = true;
    const int shownFocus = ListView_GetNextItem(list_, -1, LVNI_FOCUSED);
    const bool all = !rows_.empty() &&
                     std::all_of(rows_.begin(), rows_.end(), [](const DrawingRow& r) { return r.selected; });
    ListView_SetItemState(list_, -1, all ? LVIS_SELECTED : 0, LVIS_SELECTED);
    for (std::size_t i = 0; i < rows_.size() && !all; ++i) {
        if (rows_[i].selected)
            ListView_SetItemState(list_, static_cast<int>(i), LVIS_SELECTED, LVIS_SELECTED);
    }
    const auto focus = focusedRowId_ ? rows_.positionOf(*focusedRowId_) : std::nullopt;
    if (focus) {
        ListView_SetItemState(list_, static_cast<int>(*focus), LVIS_FOCUSED, LVIS_FOCUSED);
    } else if (shownFocus >= 0) {
        ListView_SetItemState(list_, shownFocus, 0, LVIS_FOCUSED);
    }
    syncingSelection_ = wasSyncing;
    // The preview follows the drawing that now has the focus.
    if (!previewPending_) {
        previewPending_ = true;
        PostMessageW(hwnd_, kShowPreviewMessage, 0, 0);
    }
}

void MainWindow::onSelectionShown(int from, int to, UINT newState, UINT oldState) {
    if (syncingSelection_ || rows_.empty())
        return;
    // -1: every row (Select All, a click beside the rows).
    const std::size_t first = from < 0 ? 0 : static_cast<std::size_t>(from);
    const std::size_t last = from < 0 ? rows_.size() - 1 : std::min<std::size_t>(to, rows_.size() - 1);
    if (((newState ^ oldState) & LVIS_SELECTED) != 0)
        for (std::size_t i = first; i <= last && i < rows_.size(); ++i)
            rows_[i].selected = (newState & LVIS_SELECTED) != 0;
    if ((newState & ~oldState & LVIS_FOCUSED) != 0 && from >= 0 && first < rows_.size())
        focusedRowId_ = rows_[first].id;
}

std::optional<std::size_t> MainWindow::currentRow() const {
    int i = ListView_GetNextItem(list_, -1, LVNI_FOCUSED | LVNI_SELECTED);
    if (i < 0)
        i = ListView_GetNextItem(list_, -1, LVNI_SELECTED);
    if (i < 0 || static_cast<std::size_t>(i) >= rows_.size())
        return std::nullopt;
    return static_cast<std::size_t>(i);
}

LRESULT MainWindow::onListNotify(NMHDR& header) {
    switch (header.code) {
    case LVN_GETDISPINFOW: {
        auto& info = reinterpret_cast<NMLVDISPINFOW&>(header);
        const auto row = static_cast<std::size_t>(info.item.iItem);
        const auto column = static_cast<std::size_t>(info.item.iSubItem);
        if ((info.item.mask & LVIF_TEXT) == 0 || row >= rows_.size() || info.item.cchTextMax <= 0)
            return 0;
        if (column < kColumnCount)
            lstrcpynW(info.item.pszText, Widen(rows_[row].cells[column]).c_str(), info.item.cchTextMax);
        else if (column == kColMissing)
            lstrcpynW(info.item.pszText, Widen(MissingCellText(detailsOf(rows_[row]))).c_str(),
                      info.item.cchTextMax);
        return 0;
    }
    case NM_CUSTOMDRAW:
        return onListCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW&>(header));
    case LVN_COLUMNCLICK:
        onColumnClick(reinterpret_cast<NMLISTVIEW&>(header).iSubItem);
        return 0;
    case LVN_ODSTATECHANGED: {
        const auto& change = reinterpret_cast<NMLVODSTATECHANGE&>(header);
        onSelectionShown(change.iFrom, change.iTo, change.uNewState, change.uOldState);
        if (!previewPending_) {
            previewPending_ = true;
            PostMessageW(hwnd_, kShowPreviewMessage, 0, 0);
        }
        return 0;
    }
    case LVN_ITEMCHANGED: {
        const auto& change = reinterpret_cast<NMLISTVIEW&>(header);
        if ((change.uChanged & LVIF_STATE) != 0)
            onSelectionShown(change.iItem, change.iItem, change.uNewState, change.uOldState);
        // One preview for a whole burst of selection changes, keyboard or mouse.
        if ((change.uChanged & LVIF_STATE) != 0 &&
            ((change.uNewState ^ change.uOldState) & LVIS_SELECTED) != 0 && !previewPending_) {
            previewPending_ = true;
            PostMessageW(hwnd_, kShowPreviewMessage, 0, 0);
        }
        return 0;
    }
    case LVN_GETINFOTIPW: {
        // A failed row's tooltip says why, in one sentence.
        auto& tip = reinterpret_cast<NMLVGETINFOTIPW&>(header);
        const auto row = static_cast<std::size_t>(tip.iItem);
        if (row < rows_.size() && tip.cchTextMax > 0) {
            const std::string& st = rows_[row].cell(kColStatus);
            if (IsFailure(st))
                lstrcpynW(tip.pszText, Widen(st + ": " + std::string(StatusReason(st))).c_str(),
                          tip.cchTextMax);
        }
        return 0;
    }
    case LVN_KEYDOWN:
        if (reinterpret_cast<NMLVKEYDOWN&>(header).wVKey == VK_DELETE)
            guarded("ListView1_KeyDown", &MainWindow::subRemove);
        return 0;
    default:
        return 0;
    }
}

LRESULT MainWindow::onListCustomDraw(NMLVCUSTOMDRAW& draw) {
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
        const auto row = static_cast<std::size_t>(draw.nmcd.dwItemSpec);
        if (row >= rows_.size())
            return CDRF_DODEFAULT;
        switch (TintOf(rows_[row].cell(kColStatus))) {
        case Tint::Failure:
            draw.clrTextBk = RGB(255, 221, 221);
            draw.clrText = RGB(128, 0, 0);
            return CDRF_NEWFONT;
        case Tint::Ok:
            draw.clrTextBk = RGB(226, 243, 226);
            return CDRF_NEWFONT;
        case Tint::None:
            break;
        }
        return CDRF_DODEFAULT;
    }
    default:
        return CDRF_DODEFAULT;
    }
}

void MainWindow::onColumnClick(int column) {
    if (column < 0 || static_cast<std::size_t>(column) >= kListColumnCount || state_.busy())
        return;
    // Busy while it sorts: the window answers, list commands wait.
    try {
        const BusyScope busy(state_);
        readSelection();
        if (static_cast<std::size_t>(column) == kColMissing) {
            sortByMissing();
        } else {
            WindowPump pump(*this, 10);
            rows_.sortByColumn(static_cast<Column>(column), &pump);
            missingOrder_ = SortOrder::None;
        }
        showSortArrow();
        refreshList(false);
    } catch (const std::exception& e) {
        ShowError(hwnd_, "ListView1_ColumnClick", e.what());
    }
}

// Rows added land at the end: no order holds any more, Missing's neither.
void MainWindow::addingUnsorted() {
    rows_.setSortingOff();
    missingOrder_ = SortOrder::None;
    showSortArrow();
}

void MainWindow::showSortArrow() {
    const HWND header = ListView_GetHeader(list_);
    for (int i = 0; i < static_cast<int>(kListColumnCount); ++i) {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        Header_GetItem(header, i, &item);
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (rows_.sorted() && static_cast<int>(rows_.sortKey()) == i)
            item.fmt |= rows_.sortOrder() == SortOrder::Descending ? HDF_SORTDOWN : HDF_SORTUP;
        if (static_cast<std::size_t>(i) == kColMissing && missingOrder_ != SortOrder::None)
            item.fmt |= missingOrder_ == SortOrder::Descending ? HDF_SORTDOWN : HDF_SORTUP;
        Header_SetItem(header, i, &item);
    }
}

void MainWindow::ShowSelectedPreview() {
    try {
        const auto row = currentRow();
        std::string path;
        if (row && rows_[*row].cell(kColVersion) != kFolderVersion) {
            const std::string full = FullPath(rows_[*row]);
            if (FileExists(files_, full)) {
                path = full;
                rows_[*row].cell(kColVersion) = DwgVers(files_, full);
                ListView_RedrawItems(list_, static_cast<int>(*row), static_cast<int>(*row));
            }
        }
        preview_.show(path);
    } catch (...) {
        // The preview's failures are passed over.
    }
}

void MainWindow::subRemove() {
    if (state_.busy())
        return;
    readSelection();
    const std::size_t removed = rows_.removeSelected();
    if (removed == 0)
        return;
    const int current =
        std::min(ListView_GetNextItem(list_, -1, LVNI_FOCUSED), static_cast<int>(rows_.size()) - 1);
    ListView_SetItemState(list_, -1, 0, LVIS_SELECTED);
    refreshList();
    SetFocus(list_);
    if (current >= 0)
        ListView_SetItemState(list_, current, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ShowSelectedPreview();
}

void MainWindow::setSelectedStatus(std::string_view status) {
    if (state_.busy())
        return;
    readSelection();
    for (auto& row : rows_)
        if (row.selected)
            row.cell(kColStatus) = std::string(status);
    listChanged();
    clearRunResult();
    InvalidateRect(list_, nullptr, FALSE);
    SetFocus(list_);
}

void MainWindow::selectAll(bool selected) {
    if (state_.busy())
        return;
    rows_.selectAll(selected);
    ListView_SetItemState(list_, -1, selected ? LVIS_SELECTED : 0, LVIS_SELECTED);
    SetFocus(list_);
}

void MainWindow::subAddDrawings() {
    if (state_.busy())
        return;
    const auto answer = dialogs_.openDrawings(hwnd_, settings_.InitialDir2);
    if (!answer || answer->empty()) {
        dialogs_.inform(hwnd_, "No files or too many files selected!", std::string(kAppTitle),
                        MB_ICONINFORMATION);
        return;
    }
    addingUnsorted();
    const std::size_t rowsBefore = rows_.size();
    for (const auto& path : FilesOfOpenDialogAnswer(*answer)) {
        addToListView(rows_, files_, settings_, path);
        settings_.InitialDir2 = FileFolder(path);
    }
    refreshList();
    afterCommand_ = std::string(kStatusIdle) + DrawingsAddedText(rows_.size() - rowsBefore);
}

void MainWindow::subAddFolder() {
    if (state_.busy())
        return;
    settings_.InitialDir1 = dialogs_.browseFolder(hwnd_, settings_.InitialDir1);
    if (settings_.InitialDir1.empty())
        return;
    const std::size_t rowsBefore = rows_.size();
    {
        const BusyScope busy(state_);
        state_.showActivity(kActivityAdding);
        addingUnsorted();
        // A search steps through entries far faster than anyone types: the
        // queue is looked at every 10 ms, as quick for Esc and Stop as every entry.
        WindowPump pump(*this, 10);
        SearchContext search{rows_, files_, settings_, state_, pump};
        FindFilesAPI(search, settings_.InitialDir1, "*.dwg");
        FindFilesAPI(search, settings_.InitialDir1, "*.dxf");
        state_.showHead();
    }
    refreshList();
    // A search that found nothing says so rather than leaving the user guessing.
    const std::size_t added = rows_.size() - rowsBefore;
    afterCommand_ = std::string(kStatusIdle) +
                    (added == 0 ? "No drawings found in " + settings_.InitialDir1 : DrawingsAddedText(added));
}

void MainWindow::subAddFolderOnly() {
    if (state_.busy())
        return;
    settings_.InitialDir1 = dialogs_.browseFolder(hwnd_, settings_.InitialDir1);
    if (settings_.InitialDir1.empty())
        return;
    rows_.append(MakeFolderRow(settings_.InitialDir1));
    refreshList();
}

void MainWindow::onDropFiles(HDROP dropped) {
    std::vector<std::string> paths;
    {
        const DroppedFiles drop(dropped);
        const UINT count = DragQueryFileW(drop.get(), 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
            const UINT n = DragQueryFileW(drop.get(), i, nullptr, 0);
            std::wstring path(n + 1, L'\0');
            DragQueryFileW(drop.get(), i, path.data(), n + 1);
            path.resize(n);
            paths.push_back(Narrow(path));
        }
    }
    if (state_.busy())
        return;
    try {
        const BusyScope busy(state_);
        LockControl(list_, true);
        addingUnsorted();
        std::optional<bool> includeFolders; // one question per drop
        WindowPump pump(*this, 10);
        SearchContext search{rows_, files_, settings_, state_, pump};
        for (const auto& path : paths) {
            const std::string extension = ToLower(FileExtension(path));
            if (FileExists(files_, path) && (extension == "dwg" || extension == "dxf")) {
                addToListView(rows_, files_, settings_, path);
            } else if (FolderExists(files_, path)) {
                if (!includeFolders)
                    includeFolders = dialogs_.askYesNo(
                        hwnd_, "Do you want to include folders and subfolders?", std::string(kAppTitle));
                if (*includeFolders) {
                    FindFilesAPI(search, path, "*.dwg");
                    if (IsOn(settings_.IncludeDXF))
                        FindFilesAPI(search, path, "*.dxf");
                }
            }
            if (!state_.busy())
                break;
        }
    } catch (const std::exception& e) {
        ShowError(hwnd_, "ListView1_OLEDragDrop", e.what());
    }
    LockControl(list_, false);
    showSortArrow();
    refreshList();
}

std::string MainWindow::exportFolder() const {
    return lastListFolder_.empty() ? DocumentsFolder() : lastListFolder_;
}

void MainWindow::ExportListStatus() {
    if (state_.busy())
        return;
    const auto file =
        dialogs_.listFileName(hwnd_, true, exportFolder(), "Plansweeper list " + DateForFileName() + ".log");
    if (!file)
        return;
    std::optional<std::string> error;
    {
        const BusyScope busy(state_);
        WindowPump pump(*this, 10);
        error = WriteListFile(files_, codec_, *file, rows_, &pump);
    }
    if (error) {
        MessageBoxUtf8(hwnd_, *error, kAppTitle, MB_OK);
    } else {
        listUnsaved_ = false;
        lastListFolder_ = FileFolder(*file);
        afterCommand_ = std::string(kStatusIdle) + "List exported to " + *file;
    }
    SetFocus(list_);
}

std::string MainWindow::reportTotals() const {
    const std::string label = state_.productLabel();
    return label == state_.head() && !lastRunTotals_.empty() ? lastRunTotals_ : label;
}

void MainWindow::ExportReport() {
    if (state_.busy())
        return;
    const auto file =
        dialogs_.reportFileName(hwnd_, exportFolder(), "Plansweeper report " + DateForFileName() + ".html");
    if (!file)
        return;
    bool written = false;
    {
        const BusyScope busy(state_);
        // The file's kind follows its extension: a table for a spreadsheet,
        // JSON, or the report page.
        const std::string kind = ToLower(FileExtension(*file));
        std::string text;
        if (kind == "csv") {
            const ListSeparators separators = UserListSeparators();
            text = RunCsv(rows_, details_, CsvConventions{separators.list, separators.decimal});
        } else if (kind == "json") {
            text = RunJson(rows_, clock_.nowText(), reportTotals(), details_);
        } else {
            // The pictures are read and made small on worker threads while the window answers.
            std::map<std::uint64_t, std::string> pictures;
            RunOffThread([this, &pictures] {
                pictures = ReportThumbnails(files_, rows_, PngCompactor::reportThreads(), [] {
                    return PngCompactor::threadShrink(kReportPictureMostSide);
                });
                return true;
            });
            text = RunReportHtml(rows_, {clock_.nowText(), reportTotals(), &details_}, PicturesOf(pictures));
        }
        written = RunOffThread([this, &file, &text] {
                      return files_.replaceFileAtomically(*file, text);
                  }).value_or(false);
    }
    if (!written)
        dialogs_.inform(hwnd_, "The report could not be written to " + *file + ".", std::string(kAppTitle),
                        MB_ICONEXCLAMATION);
    else
        afterCommand_ = std::string(kStatusIdle) + "Report written to " + *file;
    SetFocus(list_);
}

void MainWindow::ImportListStatus() {
    if (state_.busy())
        return;
    const auto file = dialogs_.listFileName(hwnd_, false, exportFolder(), "");
    if (!file)
        return;
    const bool wasEmpty = rows_.empty();
    ImportResult result;
    {
        const BusyScope busy(state_);
        WindowPump pump(*this, 10);
        result = ReadListFile(files_, codec_, *file, rows_, &pump);
    }
    refreshList();
    if (result.error) {
        MessageBoxUtf8(hwnd_, *result.error, kAppTitle, MB_OK);
    } else {
        // A list read into an empty window is the file's: nothing to save.
        listUnsaved_ = !wasEmpty;
        lastListFolder_ = FileFolder(*file);
    }
    afterCommand_ =
        std::to_string(result.added) + (result.added == 1 ? " drawing imported" : " drawings imported");
    SetFocus(list_);
}

void MainWindow::showContextMenu(POINT at) {
    // Opened from the keyboard (Shift+F10, the menu key: at -1, -1), the menu
    // comes up at the focused row.
    if (at.x == -1 && at.y == -1) {
        const auto row = currentRow();
        RECT item{};
        if (!row || !ListView_GetItemRect(list_, static_cast<int>(*row), &item, LVIR_LABEL))
            GetClientRect(list_, &item);
        at = {item.left + 8, item.bottom};
        ClientToScreen(list_, &at);
    }
    // The right click selected the row under the mouse: the preview shows it
    // now, as after a left click, not after the menu has gone.
    previewPending_ = false;
    ShowSelectedPreview();
    const UniqueMenu menu(MakePopupMenu({
        {cmdShowDetails, "Show &Details..."},
        {0, nullptr},
        {cmdAddDrawings, "&Add drawings..."},
        {cmdRemove, "Re&move"},
        {cmdResetStatus, "Reset S&tatus"},
        {cmdSetSkip, "Set Status to S&kip"},
        {cmdRunFailedSelected, "Run Failed A&gain"},
        {0, nullptr},
        {cmdSelectAll, "&Select All"},
        {cmdClearAll, "&Clear All"},
        {0, nullptr},
        {cmdExportList, "E&xport list to log file"},
        {cmdFileProperties, "&File Properties"},
        {cmdExplore, "&Explore"},
        {cmdStartAcad, "Start A&utoCAD"},
    }));
    TrackPopupMenu(menu.get(), TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd_, nullptr);
}

const RowDetails* MainWindow::detailsOf(const DrawingRow& row) const {
    const auto found = details_.find(row.id);
    return found == details_.end() ? nullptr : &found->second;
}

// The rows with the most references missing first (then fewest, in turn),
// alike rows keeping their order. A one-off order: rows added later land at
// the end, as after any order the list does not keep.
void MainWindow::sortByMissing() {
    missingOrder_ = missingOrder_ == SortOrder::Descending ? SortOrder::Ascending : SortOrder::Descending;
    std::map<std::uint64_t, std::pair<std::size_t, std::string>> keys;
    for (const auto& [id, details] : details_)
        keys[id] = {MissingReferences(&details).size(), MissingCellText(&details)};
    const std::pair<std::size_t, std::string> none;
    const auto keyOf = [&](const DrawingRow& r) -> const std::pair<std::size_t, std::string>& {
        const auto found = keys.find(r.id);
        return found == keys.end() ? none : found->second;
    };
    std::stable_sort(rows_.begin(), rows_.end(), [&](const DrawingRow& a, const DrawingRow& b) {
        return missingOrder_ == SortOrder::Descending ? keyOf(b) < keyOf(a) : keyOf(a) < keyOf(b);
    });
    rows_.setSortingOff();
}

void MainWindow::showDetails() {
    const auto row = currentRow();
    if (!row)
        return;
    const DrawingRow& r = rows_[*row];
    const RowDetails* d = detailsOf(r);
    std::string text = RowDetailsText(r, d);
    // AutoCAD's own words, as its command history recorded them.
    if (d != nullptr && !d->log.empty())
        if (const auto log = files_.readFile(d->log)) {
            text += "\r\nAutoCAD's transcript (" + d->log + "):\r\n";
            for (const char c : codec_.fromAnsi(*log))
                if (c == '\n' && (text.empty() || text.back() != '\r'))
                    text += "\r\n";
                else
                    text += c;
        }
    dialogs_.showDetails(hwnd_, "Details of " + r.cell(kColFilename), text);
    SetFocus(list_);
}

void MainWindow::fileProperties() {
    const auto row = currentRow();
    if (!row)
        return;
    const std::wstring path = Widen(FullPath(rows_[*row]));
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_INVOKEIDLIST | SEE_MASK_FLAG_NO_UI;
    info.hwnd = hwnd_;
    info.lpVerb = L"properties";
    info.lpFile = path.c_str();
    info.nShow = SW_SHOW;
    ShellExecuteExW(&info);
}

void MainWindow::explore() {
    const auto row = currentRow();
    if (!row)
        return;
    ShellExecuteW(hwnd_, L"explore", Widen(rows_[*row].cell(kColPath)).c_str(), nullptr, nullptr,
                  SW_SHOWNORMAL);
}

void MainWindow::startAutoCad() {
    const auto row = currentRow();
    if (!row)
        return;
    const std::string path = FullPath(rows_[*row]);
    if (!FileExists(files_, path) || settings_.ExePath.empty())
        return;
    // The executable quoted: a path with blanks must not start another program.
    std::wstring line = Widen("\"" + settings_.ExePath + "\" \"" + path + "\" /nologo");
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOWMINIMIZED;
    PROCESS_INFORMATION pi{};
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        // Started and left to itself.
        const UniqueHandleKernel thread(pi.hThread);
        const UniqueHandleKernel process(pi.hProcess);
    }
}

} // namespace ps
