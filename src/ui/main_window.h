// The main window: the drawing list, the preview, the information frame with
// the product label, the progress strip, the status line, the toolbar and the
// three menus. It carries the single-instance marker property while it runs
// and takes a second start's command tail through WM_COPYDATA. Its commands
// live in four files: the window itself (main_window.cpp), its controls and
// layout (main_window_controls.cpp), the list (main_window_list.cpp) and the
// run (main_window_run.cpp).
#pragma once

#include "core/system_ports.h"
#include "drawinglist/drawing_list.h"
#include "drawinglist/list_saver.h"
#include "platform/handles.h"
#include "platform/win_file_system.h"
#include "platform/win_registry.h"
#include "platform/text.h"
#include "platform/win_system.h"
#include "report/run_json.h"
#include "run/progress.h"
#include "core/run_state.h"
#include "core/settings.h"
#include "settings/settings_io.h"
#include "settings/settings_store.h"
#include "core/command_tail.h"
#include "ui/desktop_dialogs.h"
#include "ui/instance_marker.h"
#include "ui/main_layout.h"
#include "ui/preview_host.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <string>
#include <vector>

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shobjidl.h>

namespace ps {

inline constexpr const wchar_t* kMainWindowClass = L"PlansweeperMainWindow";
// The window's timers: the scheduled start's, and the working list's.
inline constexpr UINT_PTR kTimer1 = 1;
inline constexpr UINT_PTR kWorkingListTimer = 2;
inline constexpr UINT kWorkingListIntervalMs = 1000;
// Posted to the window: show the preview of the focused row.
inline constexpr UINT kShowPreviewMessage = WM_APP + 1;

class MainWindow;
struct RunOptions;
struct RunCommandResult;

// The window's pump as the port of a long loop. With an interval, a loop that
// steps faster than anyone types looks at the queue at most that often.
// The product label's lines: the head (four lines), an empty line and the
// run's totals. The smallest window shows the first four lines of the
// totals; the first start shows all of them (a stopped run's included).
inline constexpr int kLabelLinesAtMinimum = 9;
inline constexpr int kLabelLinesWithTotals = 17;
// The height in pixels of that many lines of the product label in that font.
int ProductLabelTextHeight(HWND label, HFONT font, int lines);

class WindowPump final : public MessagePump {
public:
    explicit WindowPump(MainWindow& window, ULONGLONG minIntervalMs = 0)
        : window_(window), minIntervalMs_(minIntervalMs) {}
    void pumpOnce() override;

private:
    MainWindow& window_;
    ULONGLONG minIntervalMs_;
    ULONGLONG last_ = 0;
};

class MainWindow {
public:
    explicit MainWindow(DesktopDialogs& dialogs);
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Form_Initialize and Form_Load: false when the window could not be made.
    bool create(HINSTANCE instance, const StartupCommand& startup);
    // The message loop until the window closes; the process's exit code.
    int messageLoop();

    HWND handle() const { return hwnd_; }
    HWND listView() const { return list_; }
    HWND previewWindow() const { return preview_.window(); }
    DrawingList& rows() { return rows_; }
    RunState& state() { return state_; }
    Settings& settings() { return settings_; }
    // Processes pending messages once, with the window's keys (what every
    // long loop of the window does between its steps).
    void pump();
    // The meter's bar: its right edge in pixels (0 before the first bar).
    std::int32_t meterWidth() const { return meterWidth_; }
    bool meterShown() const { return meterShown_; }
    // The longest time a loop of the window went without looking at its
    // queue since the last call (for the benchmarks); 0 when none pumped.
    // The window's entry (platform/window_entry.h) hands it every message.
    LRESULT handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT failed(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, const char* what) noexcept;

    ULONGLONG takeLongestPumpGap() {
        lastPumped_ = 0;
        return std::exchange(longestPumpGap_, 0);
    }

private:
    static void RegisterWindowClass(HINSTANCE instance);
    static LRESULT CALLBACK MeterProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                      DWORD_PTR self);
    bool preTranslate(MSG& msg);
    bool toolbarKey(UINT key);
    LRESULT onOtherMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // main_window.cpp: the window
    void onCreate();
    void onSize();
    void onGetMinMaxInfo(MINMAXINFO& info);
    void onDpiChanged(int dpi, const RECT& suggested);
    void onCommand(unsigned command);
    void onOtherCommand(unsigned command);
    LRESULT onNotify(NMHDR& header);
    void showToolbarTip(NMTBGETINFOTIPW& tip);
    LRESULT onCopyData(const COPYDATASTRUCT& data);
    void comeForward(); // restored, shown and in front (or its taskbar button flashing)
    void onClose();
    void createControls();
    void createToolbar();
    struct ToolbarImageBases {
        int standard, view, own; // where each set starts in the toolbar's image list
    };
    ToolbarImageBases makeToolbarImages();
    void createMenus();
    void applyFonts();
    void layoutControls();
    void applyWindowLayout(const WindowLayout& layout);
    // Until the user sets a width: every column as wide as its header and a
    // typical value, Status the rest of the list's width.
    void fitColumns();
    // A width that is no longer the one fitted was set by the user: the
    // widths are theirs from then on, kept as they leave them.
    bool columnsStillFitted() const;
    bool columnsFitted_ = true;
    std::array<int, kListColumnCount> fittedWidths_{};
    WindowLayout currentWindowLayout() const;
    void showRunState();
    void showLabels();
    void labelsChanged();
    void addStartupDrawing(std::string_view command);
    void restoreWorkingList();
    void sizeForFirstStart();
    void openWorkingList();
    void removeStaleExplorerEntry();
    // The list changed: the working list is written within a second.
    void listChanged();
    // False when the working list could not be written; a run stops then.
    bool saveWorkingList(bool evenIfNotDue);
    void reportRecovery();
    void guarded(const char* procedure, void (MainWindow::*command)());
    void subSettings();

    // main_window_list.cpp: the list and its commands
    // The list control follows the rows. A change of what the list holds
    // (not a sort, not a run's own statuses) takes the last run's result off
    // the screen: its totals and its meter.
    void refreshList(bool contentChanged = true);
    void clearRunResult();
    void readSelection();
    void writeSelection();
    // The list view changed rows' selection or focus (from -1: every row).
    void onSelectionShown(int from, int to, UINT newState, UINT oldState);
    // Selects the one row, focused and in view.
    void selectOnly(std::size_t row);
    std::optional<std::size_t> currentRow() const;
    LRESULT onListNotify(NMHDR& header);
    LRESULT onListCustomDraw(NMLVCUSTOMDRAW& draw);
    void onColumnClick(int column);
    void showSortArrow();
    // The order "Missing" last put the rows in; None once another sort or an
    // addition has changed it.
    SortOrder missingOrder_ = SortOrder::None;
    void sortByMissing();
    void addingUnsorted();
    const RowDetails* detailsOf(const DrawingRow& row) const;
    void ShowSelectedPreview();
    void subRemove();
    void setSelectedStatus(std::string_view status);
    void selectAll(bool selected);
    void subAddDrawings();
    void subAddFolder();
    void subAddFolderOnly();
    void onDropFiles(HDROP drop);
    void ExportListStatus();
    void ImportListStatus();
    void ExportReport(); // the list with its statuses, totals and thumbnails as one HTML file
    void showContextMenu(POINT at);
    void fileProperties();
    void showDetails();
    void explore();
    void startAutoCad();

    // main_window_run.cpp: the run
    void subRun();
    // The failed rows (all, or the selected ones) pending again, and a run over them only.
    void subRunFailedAgain();
    void subRunSelectedFailedAgain();
    void runFailedAgain(bool selectedOnly);
    std::vector<std::uint64_t> runOnly_; // the rows the next run processes; all pending when empty
    RunOptions runOptions();
    void showRunEnd(const RunCommandResult& result);
    void subStop();
    void subStart();
    void Timer1_Timer();
    void paintMeter(HDC dc);
    void showMeter(bool shown);
    void setTaskbarProgress(std::int64_t position, std::int64_t max, bool failed);

    class MeterSink;
    friend class MeterSink;

    DesktopDialogs& dialogs_;
    HWND hwnd_ = nullptr;
    HWND toolbar_ = nullptr;
    HWND label1_ = nullptr;
    HWND label2_ = nullptr;
    HWND list_ = nullptr;
    HWND frame_ = nullptr;
    HWND prodName_ = nullptr;
    HWND picture2_ = nullptr;
    HWND status_ = nullptr;
    PreviewHost preview_;
    UniqueAccelerators accelerators_;
    UniqueImageList images_;
    UniqueFont font_;
    int dpi_ = 96;
    std::int32_t minHeightTwips_ = kMinWindowHeightTwips; // grows when the fonts need it

    WinRegistry registry_;
    RegistrySettingsStore store_{registry_};
    WinFileSystem files_;
    WinAnsiCodec codec_;
    WinClock clock_;
    std::unique_ptr<ListSaver> workingList_;
    bool workingListFailureShown_ = false;
    Settings settings_;
    DrawingList rows_;
    RunState state_;
    StartupCommand startup_;
    bool previewPending_ = false;
    std::optional<std::uint64_t> focusedRowId_; // the drawing that has the focus
    bool syncingSelection_ = false;             // the rows' selection is being shown
    bool ownsMessageLoop_ = false;              // the window's end ends the thread's loop
    static constexpr ULONGLONG kShowIntervalMs = 100;
    ULONGLONG lastShown_ = 0;
    ULONGLONG lastPumped_ = 0;
    ULONGLONG longestPumpGap_ = 0;
    bool labelsDirty_ = false;
    bool starting_ = true; // create() has not finished

    // The run's meter and the scheduled start.
    std::int64_t meterMax_ = 0;
    std::int32_t meterWidth_ = 0; // the bar only grows
    bool meterShown_ = false;
    bool resultShown_ = false;                // the frame and the meter show the last run's result
    std::optional<std::string> afterCommand_; // the status label once the command has ended
    bool timerArmed_ = false;
    std::string scheduledStart_;
    bool runFailed_ = false;
    // What the runs of this window learnt of each row beyond its cells, for
    // the CSV and JSON exports.
    std::map<std::uint64_t, RowDetails> details_;
    // The last run's totals, for a report written after the list changed.
    std::string lastRunTotals_;
    std::string reportTotals() const;
    ComPtr<ITaskbarList3> taskbar_;

    // Closing: a run under way ends first (as Stop -> Yes does), and a list
    // changed since it was last exported or imported is offered for saving.
    bool runInProgress_ = false;
    bool closeAfterRun_ = false;
    bool listUnsaved_ = false;
    std::string lastListFolder_; // where the last list was exported or imported; the exports start there
    std::string exportFolder() const;
};

} // namespace ps
