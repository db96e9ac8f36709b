// The run state every long or list-changing operation shares: the busy
// state, the stop request and the texts of the product and status labels.
// Windows observe it; nothing here knows about them.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace ps {

// Activity texts shown under the product label's head.
inline constexpr std::string_view kActivityAdding = "Adding files to ListView...";
inline constexpr std::string_view kActivityDeleting = "Deleting files...";
inline constexpr std::string_view kActivityResetting = "Resetting ListView";
inline constexpr std::string_view kActivityScriptRunning = "Script is running";
inline constexpr std::string_view kActivityCalculating = "Calculating...";
inline constexpr std::string_view kActivityTimerSet = "Timer set to: ";

// Status label texts.
inline constexpr std::string_view kStatusIdle = "Status: ";
inline constexpr std::string_view kStatusNowRunning = "Now running: ";
// A drawing waits: another Plansweeper run uses its AutoCAD product with
// another profile or other profile values; followed by the product's name.
inline constexpr std::string_view kStatusWaitingForOtherRun =
    "Waiting for another Plansweeper run to finish with ";

// "Application:", CR LF, product, CR LF, "Profile:", CR LF, profile.
std::string ProductLabelHead(std::string_view prodName, std::string_view profile);

class RunState {
public:
    // Called after the busy state or a label changed.
    struct Observer {
        std::function<void(bool busy)> busyChanged;
        std::function<void()> labelsChanged;
    };

    // Switches the busy state; a flag, not a counter.
    void running(bool on);
    bool busy() const { return busy_; }

    // The stop request: set by Stop, cleared when a run starts and when the
    // Run command ends; searches and the wait only read it.
    void requestStop() { stopRequest_ = true; }
    void clearStop() { stopRequest_ = false; }
    bool stopRequested() const { return stopRequest_; }

    // The product label: its head alone, or the head, an empty line and an
    // activity text.
    void setProductHead(std::string_view prodName, std::string_view profile);
    void showHead();
    void showActivity(std::string_view activity);
    const std::string& head() const { return head_; }
    const std::string& productLabel() const { return productLabel_; }

    void setStatus(std::string_view text);
    const std::string& statusLabel() const { return statusLabel_; }

    void setObserver(Observer observer) { observer_ = std::move(observer); }

private:
    void labelsChanged();

    bool busy_ = false;
    bool stopRequest_ = false;
    std::string head_ = ProductLabelHead("", "");
    std::string productLabel_ = head_;
    std::string statusLabel_ = std::string(kStatusIdle);
    Observer observer_;
};

// Busy for as long as it lives, also when what it guards throws: a long
// loop of the window holds one.
class BusyScope {
public:
    explicit BusyScope(RunState& state) : state_(state) { state_.running(true); }
    ~BusyScope() { state_.running(false); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    RunState& state_;
};

} // namespace ps
