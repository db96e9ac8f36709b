// The Win32 side of the system ports: clock, prompts, message pump, AutoCAD's
// process and the desktop's windows.
#pragma once

#include "core/process_lineage.h"
#include "core/system_ports.h"
#include "platform/handles.h"

#include <windows.h>

#include <utility>
#include <vector>

namespace ps {

class WinClock final : public Clock {
public:
    std::uint64_t monotonicMs() const override { return GetTickCount64(); }
    std::string nowText() const override;
    std::uint64_t nowFileTime() const override;
    std::int64_t localDay(std::uint64_t fileTime) const override;
};

class WinUserPrompt final : public UserPrompt {
public:
    explicit WinUserPrompt(HWND owner = nullptr) : owner_(owner) {}
    bool askYesNo(std::string_view message, std::string_view title) override;
    void inform(std::string_view message, std::string_view title) override;

private:
    HWND owner_;
};

class WinMessagePump final : public MessagePump {
public:
    void pumpOnce() override;
};

class WinProcessRunner final : public ProcessRunner {
public:
    // Under a window, a program is started on a worker thread so that the
    // window answers meanwhile; without one (the batch command) the caller
    // starts it itself, which spares a thread for every drawing.
    enum class Starts { OffThread, OnCaller };
    explicit WinProcessRunner(Starts starts = Starts::OffThread);
    ~WinProcessRunner() override;
    WinProcessRunner(const WinProcessRunner&) = delete;
    WinProcessRunner& operator=(const WinProcessRunner&) = delete;
    bool start(std::string_view commandLine, int windowStyle) override;
    void sendOutputTo(std::string_view file) override { outputFile_ = file; }
    bool hasEnded() override;
    bool hasEndedNow() override;
    Wake waitForWake(unsigned milliseconds) override;
    void terminate() override;
    bool owns(std::uint32_t pid) override;
    std::optional<std::uint32_t> lastExitCode() const override { return lastExitCode_; }
    std::unique_ptr<ProcessRunner> sibling() override;
    // Ends the process of every runner there is: the program is about to
    // end without unwinding (a run's journal puts the drawings right at the
    // next start, which no AutoCAD still at work must undo).
    static void TerminateAll();

    HANDLE handle() const { return process_.get(); }

private:
    // A runner and its siblings: a wait of any of them wakes when one of
    // their running processes ends.
    struct Family {
        Family();
        std::vector<WinProcessRunner*> members;
        Starts starts = Starts::OffThread;
        // One listing of the system's processes answers for every drawing in progress.
        ProcessLineage lineage;
    };
    bool running() const;
    std::shared_ptr<Family> family_;
    UniqueHandleKernel process_;
    UniqueHandleKernel thread_;
    DWORD pid_ = 0;
    std::string outputFile_; // the next start's output (sendOutputTo)
    std::optional<std::uint32_t> lastExitCode_;
    // What the system last said of the process: it has ended (for good), or
    // it still ran when the last wait gave up, so that the pass right after
    // that wait asks nothing again.
    bool ended_ = false;
    bool quiet_ = false;
};

class WinWindowScanner final : public WindowScanner {
public:
    // How long a message to another program's window is waited for: short,
    // and without SMTO_BLOCK, so the waiting thread answers sent messages
    // meanwhile; a message not handled by then is still handled later.
    static constexpr UINT kSendTimeoutMs = 100;

    std::vector<Window> topLevelWindows() override;
    std::string title(Window w) override;
    Window owner(Window w) override;
    std::uint32_t processId(Window w) override;
    Window findButton(Window parent, std::string_view caption) override;
    void click(Window button) override;
    void close(Window w) override;
    // AutoCAD is brought forward only for the keys typed into it: when one of
    // this program's windows was in front, it is given back the focus once
    // they are handled, so the user's Stop and Esc still reach it.
    bool activate(Window w) override;
    void typeKeys(Window w, std::string_view keys) override;

private:
    HWND giveBackTo_ = nullptr;
};

} // namespace ps
