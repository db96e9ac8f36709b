// The run in the main window: Run, Stop, the scheduled start, the progress
// meter in Picture2 and the taskbar button's progress. The window drives the
// same run command as the batch command, on its own thread: the run pumps
// the window's messages between its steps, so the window stays live.
#include "ui/main_window.h"

#include "platform/message_pump.h"
#include "platform/win_paths.h"
#include "platform/win_run_ownership.h"
#include "platform/win_system.h"
#include "drawinglist/status.h"
#include "run/row_plan.h"
#include "run/run_command.h"
#include "run/run_history.h"
#include "run/safety_copies.h"
#include "script/purge_script.h"
#include "run/schedule.h"
#include "acad/products.h"
#include "settings/settings_form.h"
#include "ui/win_ui.h"

#include <algorithm>

namespace ps {
namespace {

constexpr UINT kTimer1IntervalMs = 10000;
// The meter as the run has it: frame and bar in the surface's pixels.
constexpr RECT kMeterFrame{5, 5, 240, 25};
constexpr int kMeterBackColor = 0;  // system colour index of the frame's background
constexpr int kMeterFillColor = 12; // and of the bar

LocalTime Now() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute};
}

// The run's questions go through the window's dialogs.
// Once the user has chosen to close the window during the run, the stop's
// question is answered Yes for them.
class DialogPrompt final : public UserPrompt {
public:
    DialogPrompt(DesktopDialogs& dialogs, HWND owner, const bool& closing)
        : dialogs_(dialogs), owner_(owner), closing_(closing) {}
    bool askYesNo(std::string_view message, std::string_view title) override {
        return closing_ || dialogs_.askYesNo(owner_, std::string(message), std::string(title));
    }
    void inform(std::string_view message, std::string_view title) override {
        dialogs_.inform(owner_, std::string(message), std::string(title), MB_ICONINFORMATION);
    }

private:
    DesktopDialogs& dialogs_;
    HWND owner_;
    const bool& closing_;
};

// "40 OK, 3 failed, 2 skipped" over the rows the run gave a status.
std::string RunEndCounts(const DrawingList& rows, const std::vector<std::uint64_t>& recorded) {
    std::size_t ok = 0, failed = 0, other = 0;
    for (const auto id : recorded)
        if (const auto at = rows.positionOf(id)) {
            const StatusKind kind = KindOf(rows[*at].cell(kColStatus));
            (kind == StatusKind::Ok ? ok : kind == StatusKind::Failure ? failed : other)++;
        }
    std::string text = std::to_string(ok) + " OK, " + std::to_string(failed) + " failed";
    if (other > 0)
        text += ", " + std::to_string(other) + " skipped";
    return text;
}

} // namespace

// The meter Class1 as the run's progress port.
class MainWindow::MeterSink final : public ProgressSink {
public:
    explicit MeterSink(MainWindow& window) : w_(window) {}
    void start(std::int64_t max) override {
        w_.meterMax_ = max;
        w_.meterWidth_ = 0;
        w_.showMeter(max > 0);
        w_.runFailed_ = false;
        InvalidateRect(w_.picture2_, nullptr, TRUE);
        w_.setTaskbarProgress(0, max, false);
    }
    void position(std::int64_t position) override {
        const std::int32_t width = ProgressBarWidth(position, w_.meterMax_);
        // The bar only grows; narrow bars are not drawn.
        if (width >= kProgressMinWidth && width > w_.meterWidth_) {
            w_.meterWidth_ = width;
            const WindowDc dc(w_.picture2_);
            w_.paintMeter(dc.get());
        }
        w_.setTaskbarProgress(position, w_.meterMax_, w_.runFailed_);
    }
    void end() override { w_.setTaskbarProgress(0, 0, false); }

private:
    MainWindow& w_;
};

LRESULT CALLBACK MainWindow::MeterProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                       DWORD_PTR self) {
    if (message == WM_PAINT) {
        const PaintScope paint(hwnd);
        RECT all;
        GetClientRect(hwnd, &all);
        FillRect(paint.dc(), &all, GetSysColorBrush(COLOR_BTNFACE));
        reinterpret_cast<MainWindow*>(self)->paintMeter(paint.dc());
        return 0;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

void MainWindow::clearRunResult() {
    if (!resultShown_ || state_.busy())
        return;
    resultShown_ = false;
    showMeter(false);
    state_.showHead();
}

// The meter is on the screen only while it shows a run: idle, its place is
// the window's (nothing grey, nothing over the preview).
void MainWindow::showMeter(bool shown) {
    meterShown_ = shown;
    ShowWindow(picture2_, shown ? SW_SHOWNA : SW_HIDE);
    InvalidateRect(picture2_, nullptr, TRUE);
}

void MainWindow::paintMeter(HDC dc) {
    if (!meterShown_)
        return;
    // Designed in pixels at 96 DPI; scaled to the window's.
    const auto scaled = [this](int v) {
        return MulDiv(v, dpi_, 96);
    };
    RECT frame{scaled(kMeterFrame.left), scaled(kMeterFrame.top), scaled(kMeterFrame.right),
               scaled(kMeterFrame.bottom)};
    FillRect(dc, &frame, GetSysColorBrush(kMeterBackColor));
    DrawEdge(dc, &frame, BDR_SUNKENOUTER, BF_RECT);
    if (meterWidth_ >= kProgressMinWidth) {
        const RECT bar{scaled(5), scaled(6), scaled(meterWidth_), scaled(24)};
        FillRect(dc, &bar, GetSysColorBrush(kMeterFillColor));
    }
}

void MainWindow::setTaskbarProgress(std::int64_t position, std::int64_t max, bool failed) {
    if (!taskbar_ && max > 0) {
        if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                    taskbar_.putVoid())) ||
            !taskbar_ || FAILED(taskbar_->HrInit()))
            taskbar_.reset();
    }
    if (!taskbar_)
        return;
    if (max <= 0) {
        taskbar_->SetProgressState(hwnd_, TBPF_NOPROGRESS);
        return;
    }
    taskbar_->SetProgressState(hwnd_, failed ? TBPF_ERROR : TBPF_NORMAL);
    taskbar_->SetProgressValue(hwnd_, static_cast<ULONGLONG>(position), static_cast<ULONGLONG>(max));
}

// What the run tells the window as it goes: the row AutoCAD works on, the
// working list before each drawing, each row's outcome.
RunOptions MainWindow::runOptions() {
    RunOptions options;
    options.minimized = IsIconic(hwnd_) != 0;
    options.onlyRows = runOnly_;
    options.setTopmost = [this](bool on) {
        SetWindowPos(hwnd_, on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    };
    options.rowStarted = [this](std::uint64_t id) {
        // The row AutoCAD works on is the selected one, in view.
        if (const auto at = rows_.positionOf(id)) {
            ListView_SetItemState(list_, -1, 0, LVIS_SELECTED);
            ListView_SetItemState(list_, static_cast<int>(*at), LVIS_SELECTED, LVIS_SELECTED);
            ListView_EnsureVisible(list_, static_cast<int>(*at), FALSE);
        }
    };
    options.beforeDrawing = [this] {
        return saveWorkingList(true);
    };
    options.rowDone = [this](const RowReport& report) {
        if (report.passed)
            return;
        details_[report.rowId] =
            RowDetails{report.versionBefore, report.seconds, report.facts, report.logPath, report.logTail};
        listChanged();
        const std::string& st = report.status;
        if (IsFailure(st))
            runFailed_ = true;
        if (const auto at = rows_.positionOf(report.rowId))
            ListView_RedrawItems(list_, static_cast<int>(*at), static_cast<int>(*at));
    };
    return options;
}

// The run has ended: the list shows its statuses, and the totals and the
// meter stay until the list changes or the next run.
void MainWindow::showRunEnd(const RunCommandResult& result) {
    refreshList(false);
    if (!result.run.totals.empty())
        lastRunTotals_ = result.run.totals;
    resultShown_ = true;
    state_.setStatus(kStatusIdle);
    if (!result.run.stopReason.empty()) {
        // No drawing could go on: why, until the next command.
        afterCommand_ = std::string(kStatusIdle) + "The run stopped: " + result.run.stopReason;
    } else if (result.run.stopped || result.stoppedWhileSearching) {
        afterCommand_ = std::string(kStatusIdle) + "The run was stopped after " +
                        std::to_string(result.run.processed) +
                        (result.run.processed == 1 ? " drawing." : " drawings.");
    } else if (result.run.processed == 0 && !result.run.companionMissing && !result.run.listNotRecorded) {
        // Nothing ran: no totals of zero as if a run had happened.
        state_.showHead();
        showMeter(false);
        resultShown_ = false;
        afterCommand_ =
            std::string(kStatusIdle) + (rows_.empty() ? "Nothing to do: the list is empty"
                                                      : "Nothing to do: every drawing has a status");
    } else {
        afterCommand_ =
            std::string(kStatusIdle) + "Run finished: " + RunEndCounts(rows_, result.run.recorded);
    }
    state_.clearStop();
    if (!result.run.stopReason.empty()) {
        state_.setStatus(*afterCommand_);
        dialogs_.inform(hwnd_, result.run.stopReason, std::string(kAppTitle), MB_ICONEXCLAMATION);
    }
    if (result.run.listNotRecorded) {
        const std::string message = "The working list cannot be written to " + workingList_->path() +
                                    ": the run stopped before its next drawing.";
        state_.setStatus(message);
        afterCommand_ = message;
        dialogs_.inform(hwnd_, message, std::string(kAppTitle), MB_ICONEXCLAMATION);
    }
}

void MainWindow::subRun() {
    // A setting every drawing would fail for (a product that is gone, a
    // value out of range, whoever set it) is said before anything runs.
    const ProductCatalog products = ProductCatalog::Read(registry_);
    const auto problems = CheckEffectiveSettings(
        store_, [this](std::string_view key) { return SettingSourceOf(registry_, key); },
        [&products](std::string_view product) { return !products.find(product).name.empty(); });
    if (!problems.empty()) {
        std::string text = "The run cannot start:";
        for (const auto& problem : problems)
            text += "\r\n\r\n" + problem;
        dialogs_.inform(hwnd_, text, std::string(kAppTitle), MB_ICONEXCLAMATION);
        return;
    }
    // Pending drawings the chosen formats and products would skip: how
    // many, and whether to run all the same.
    if (const auto conversions = ConversionProblems(products, settings_, settings_.ProdName);
        !conversions.empty()) {
        std::size_t affected = 0;
        for (const auto& row : rows_) {
            const auto family = FamilyOfVersionLabel(row.cell(kColVersion));
            if (row.isPending() && family)
                affected += static_cast<std::size_t>(
                    std::count_if(conversions.begin(), conversions.end(),
                                  [&](const auto& c) { return c.family == *family; }));
        }
        if (affected > 0 &&
            !dialogs_.askYesNo(
                hwnd_,
                std::to_string(affected) + (affected == 1 ? " pending drawing" : " pending drawings") +
                    " would be skipped. " + ConversionProblemsText(conversions) + "\r\n\r\nRun all the same?",
                std::string(kAppTitle)))
            return;
    }
    state_.showActivity(kActivityAdding);
    WinAnsiCodec codec;
    WinClock clock;
    DialogPrompt prompt(dialogs_, hwnd_, closeAfterRun_);
    WindowPump pump(*this);
    WinProcessRunner process;
    WinWindowScanner windows;
    MeterSink meter(*this);
    const std::string temp = TempFolder();
    WinRunOwnership& runs = WinRunOwnership::ForThisProcess(RunsFolderOf(temp));
    RunPorts ports{registry_, files_, codec, clock, prompt, pump, process, windows, state_, meter, runs};
    // The scripts in the run's own folder: another run at work (a batch, a
    // scheduled batch) has its own.
    RunPaths paths = RunPathsFor(RunFolderOf(temp, runs.ownId()) + "\\" + std::string(kScriptBaseName),
                                 ProgramFolder(), temp, runs.ownId());
    paths.historyFile = ApplicationDataFolder() + "\\" + std::string(kHistoryFileName);
    paths.transcriptsFolder = NewTranscriptsFolder();

    const RunOptions options = runOptions();
    // Large drawings are read and copied in chunks with the window answering between them.
    WindowPump chunkPump(*this, 10);
    files_.setBetweenChunks([&chunkPump] { chunkPump.pumpOnce(); });
    struct StopPumping {
        WinFileSystem& files;
        ~StopPumping() { files.setBetweenChunks({}); }
    } stopPumping{files_};
    resultShown_ = false;
    runInProgress_ = true;
    struct RunEnds {
        bool& inProgress;
        ~RunEnds() { inProgress = false; }
    } runEnds{runInProgress_};
    const RunCommandResult result = ps::subRun(ports, settings_, rows_, paths, options);
    showRunEnd(result);
    if (closeAfterRun_) {
        // The user closed the window during the run: now that it has ended, it closes.
        closeAfterRun_ = false;
        PostMessageW(hwnd_, WM_CLOSE, 0, 0);
    }
}

void MainWindow::subRunFailedAgain() {
    runFailedAgain(false);
}

void MainWindow::subRunSelectedFailedAgain() {
    runFailedAgain(true);
}

void MainWindow::runFailedAgain(bool selectedOnly) {
    if (selectedOnly)
        readSelection();
    runOnly_ = ClearFailedRows(rows_, selectedOnly);
    if (runOnly_.empty()) {
        afterCommand_ = std::string(kStatusIdle) + "No failed drawings to run again";
        return;
    }
    listChanged();
    InvalidateRect(list_, nullptr, FALSE);
    struct RunOnlyEnds {
        std::vector<std::uint64_t>& rows;
        ~RunOnlyEnds() { rows.clear(); }
    } ends{runOnly_};
    subRun();
}

void MainWindow::subStop() {
    state_.requestStop();
}

void MainWindow::subStart() {
    if (state_.busy())
        return;
    const std::string answer = dialogs_.inputBox(hwnd_, "Enter time when to start in format YYYY-MM-DD HH:MM",
                                                 "Timer", DefaultStartText(Now()));
    if (answer.empty())
        return;
    const auto scheduled = ScheduledStartOf(answer);
    if (!scheduled) {
        dialogs_.inform(hwnd_, "No time entered, try again.", std::string(kAppTitle), MB_ICONEXCLAMATION);
        return;
    }
    scheduledStart_ = *scheduled;
    SetTimer(hwnd_, kTimer1, kTimer1IntervalMs, nullptr);
    timerArmed_ = true;
    state_.running(true);
    state_.showActivity(std::string(kActivityTimerSet) + scheduledStart_);
}

void MainWindow::Timer1_Timer() {
    if (!timerArmed_ || !StartIsDue(Now(), scheduledStart_))
        return;
    KillTimer(hwnd_, kTimer1);
    timerArmed_ = false;
    state_.running(false);
    afterCommand_.reset();
    subRun();
    state_.running(false);
    if (afterCommand_)
        state_.setStatus(*afterCommand_);
    afterCommand_.reset();
    // The totals stay for whoever comes in next morning.
}

} // namespace ps
