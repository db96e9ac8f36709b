// Starting and watching a child process in Windows tests.
#pragma once

#include "platform/handles.h"

#include <cstddef>
#include <string>
#include <vector>

#include <windows.h>

namespace ps::test {

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // With outputFile, standard output and error go to that file.
    bool start(const std::string& commandLine, const std::string& outputFile = {});
    // True when the process ended within the time.
    bool waitFor(DWORD milliseconds);
    bool running() { return !waitFor(0); }
    DWORD exitCode();
    void kill();
    DWORD pid() const { return pid_; }
    HANDLE handle() const { return process_.get(); }

private:
    UniqueHandleKernel process_;
    DWORD pid_ = 0;
};

// Ends every stand-in AutoCAD (acad.exe) still running, as after a kill of
// the program that started them.
void EndStandins();
// How many stand-in AutoCAD processes (acad.exe) run now.
std::size_t StandinsRunning();

// The folder of the running test program.
std::string ProgramFolder();

// Visible top-level windows of a process (title, handle), including owned ones.
struct WindowInfo {
    HWND hwnd;
    std::string title;
    HWND owner;
};
std::vector<WindowInfo> WindowsOf(DWORD pid);
// Waits until a window of the process has a title starting with prefix.
HWND WaitForWindow(DWORD pid, const std::string& prefix, DWORD milliseconds);
// Captions of the child buttons of a window.
std::vector<std::string> ButtonCaptions(HWND window);

// Waits until the condition holds or the time is up; returns the condition.
template <typename Condition> bool WaitUntil(Condition condition, DWORD milliseconds) {
    const ULONGLONG end = GetTickCount64() + milliseconds;
    while (!condition()) {
        if (GetTickCount64() >= end)
            return condition();
        Sleep(50);
    }
    return true;
}

} // namespace ps::test
