// Ports for the parts of the system a run waits on or talks to: the clock,
// the user, AutoCAD's process and the desktop's windows. One Win32
// implementation each lives in platform/; tests bring their own.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ps {

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds on a clock that never jumps (not the wall clock).
    virtual std::uint64_t monotonicMs() const = 0;
    // The current local date and time in the user's general date format.
    virtual std::string nowText() const = 0;
    // The current time as file times count it (UTC).
    virtual std::uint64_t nowFileTime() const = 0;
    // The local calendar day of a file time, as a day number.
    virtual std::int64_t localDay(std::uint64_t fileTime) const = 0;
};

class UserPrompt {
public:
    virtual ~UserPrompt() = default;
    // A question with Yes and No; true for Yes.
    virtual bool askYesNo(std::string_view message, std::string_view title) = 0;
    // A message with an OK button.
    virtual void inform(std::string_view message, std::string_view title) = 0;
};

// Processing pending user-interface messages once (the long loops' yield).
class MessagePump {
public:
    virtual ~MessagePump() = default;
    virtual void pumpOnce() = 0;
};

// One child process at a time: started, watched and always ended. Several
// side by side take a runner each, made by sibling().
class ProcessRunner {
public:
    enum class Wake { ProcessEnded, Input, Timeout };

    virtual ~ProcessRunner() = default;
    // windowStyle: 1 normal with focus, 2 minimised with focus, 0 as the program wants,
    // 3 no window at all (a console program gets a console nobody sees).
    virtual bool start(std::string_view commandLine, int windowStyle) = 0;
    // The next start's standard output and error go to that file, made anew
    // (the console engine's words); its input reads nothing. Runners that
    // cannot pass the output on ignore it.
    virtual void sendOutputTo(std::string_view file) { (void)file; }
    // True once the process has ended (a poll that does not wait). Between a
    // waitForWake that saw no process end and the next one, it may answer
    // from what that wait saw: a process ending meanwhile wakes the next wait
    // at once.
    virtual bool hasEnded() = 0;
    // Asks the system, never what the last wait saw: after anything that may
    // have taken a while without a wait (a question to the user, answered
    // while AutoCAD saved and quit).
    virtual bool hasEndedNow() { return hasEnded(); }
    // Sleeps until the process ends, user input arrives or the time passes.
    virtual Wake waitForWake(unsigned milliseconds) = 0;
    // Ends the process (also when it already ended) without waiting for it
    // to go: hasEnded tells when it has.
    virtual void terminate() = 0;
    // How the last process ended when it ended by itself: its exit code
    // (a crash shows as an exception code, 0xC0000000 and up).
    virtual std::optional<std::uint32_t> lastExitCode() const = 0;
    // Whether the process is the started one or one it started, directly or
    // further down: its windows are the run's to answer, everybody else's are
    // not. False for every process when nothing was started.
    virtual bool owns(std::uint32_t pid) = 0;
    // A runner for one more process beside this one's. The waitForWake of
    // either also wakes when the other's running process ends. nullptr when
    // this runner cannot run a second process.
    virtual std::unique_ptr<ProcessRunner> sibling() { return nullptr; }
};

// Tells the run's processes (by id) from everybody else's.
using ProcessFilter = std::function<bool(std::uint32_t pid)>;

// The desktop's top-level windows as the pop-up closer sees them.
class WindowScanner {
public:
    using Window = std::uintptr_t; // 0 is no window

    virtual ~WindowScanner() = default;
    // Top-level windows from the top of the Z order down.
    virtual std::vector<Window> topLevelWindows() = 0;
    virtual std::string title(Window w) = 0; // at most 254 characters; empty when gone
    virtual Window owner(Window w) = 0;
    virtual std::uint32_t processId(Window w) = 0;
    // A child button of parent with exactly this caption (ampersands included).
    virtual Window findButton(Window parent, std::string_view caption) = 0;
    // These never wait for long on a window that stops answering.
    virtual void click(Window button) = 0;
    virtual void close(Window w) = 0;
    // Brings the window to the front; false when it is gone or not answering.
    virtual bool activate(Window w) = 0;
    // Types keys into that window ("{ESC}" for Escape, other text as is).
    virtual void typeKeys(Window w, std::string_view keys) = 0;
};

} // namespace ps
