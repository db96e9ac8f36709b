#include "platform/win_system.h"

#include "platform/win_run_ownership.h"

#include "platform/message_pump.h"
#include "platform/off_thread.h"
#include "platform/win_file_system.h"
#include "platform/text.h"

#include <winternl.h>

#include <algorithm>
#include <memory>

namespace ps {

std::string WinClock::nowText() const {
    SYSTEMTIME st;
    GetLocalTime(&st);
    return FormatLocalSystemTime(st);
}

std::uint64_t WinClock::nowFileTime() const {
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    return (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

std::int64_t WinClock::localDay(std::uint64_t fileTime) const {
    FILETIME utc{static_cast<DWORD>(fileTime & 0xFFFFFFFFu), static_cast<DWORD>(fileTime >> 32)};
    FILETIME local;
    if (!FileTimeToLocalFileTime(&utc, &local))
        local = utc;
    const std::uint64_t ticks =
        (static_cast<std::uint64_t>(local.dwHighDateTime) << 32) | local.dwLowDateTime;
    return static_cast<std::int64_t>(ticks / 864'000'000'000ULL);
}

bool WinUserPrompt::askYesNo(std::string_view message, std::string_view title) {
    return MessageBoxW(owner_, Widen(message).c_str(), Widen(title).c_str(), MB_YESNO | MB_ICONQUESTION) ==
           IDYES;
}

void WinUserPrompt::inform(std::string_view message, std::string_view title) {
    MessageBoxW(owner_, Widen(message).c_str(), Widen(title).c_str(), MB_OK);
}

void WinMessagePump::pumpOnce() {
    PumpPendingMessages();
}

namespace {

// Every runner of the program, for TerminateAll (the UI thread's only).
std::vector<WinProcessRunner*>& AllRunners() {
    static std::vector<WinProcessRunner*> runners;
    return runners;
}

} // namespace

WinProcessRunner::WinProcessRunner(Starts starts) : family_(std::make_shared<Family>()) {
    family_->starts = starts;
    family_->members.push_back(this);
    AllRunners().push_back(this);
}

WinProcessRunner::~WinProcessRunner() {
    terminate();
    std::erase(family_->members, this);
    std::erase(AllRunners(), this);
}

void WinProcessRunner::TerminateAll() {
    for (WinProcessRunner* runner : AllRunners())
        runner->terminate();
}

std::unique_ptr<ProcessRunner> WinProcessRunner::sibling() {
    auto other = std::make_unique<WinProcessRunner>();
    other->family_ = family_;
    family_->members.push_back(other.get());
    return other;
}

bool WinProcessRunner::running() const {
    return process_ && !ended_;
}

bool WinProcessRunner::start(std::string_view commandLine, int windowStyle) {
    terminate();
    process_.reset();
    thread_.reset();
    pid_ = 0;
    lastExitCode_.reset();
    std::wstring line = Widen(commandLine);
    STARTUPINFOEXW six{};
    STARTUPINFOW& si = six.StartupInfo;
    si.cb = sizeof si;
    // The output goes to a file the child inherits, and only that: the list
    // of handles keeps another drawing's file, opened meanwhile for a
    // sibling, out of this AutoCAD.
    UniqueFile output;
    UniqueFile input;
    std::vector<char> attributeRoom;
    HANDLE inherited[2]{};
    if (!outputFile_.empty()) {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        output.reset(CreateFileW(Widen(outputFile_).c_str(), GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_DELETE, &inherit, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
        input.reset(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                OPEN_EXISTING, 0, nullptr));
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        attributeRoom.resize(size);
        const auto list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributeRoom.data());
        inherited[0] = output.get();
        inherited[1] = input.get();
        if (output && input && InitializeProcThreadAttributeList(list, 1, 0, &size)) {
            six.lpAttributeList = list;
            if (!UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited,
                                           sizeof inherited, nullptr, nullptr)) {
                DeleteProcThreadAttributeList(list);
                six.lpAttributeList = nullptr;
            }
        }
        // Without the list nothing is inherited: the output is not kept.
        if (six.lpAttributeList == nullptr) {
            output.reset();
        } else {
            si.cb = sizeof six;
            si.dwFlags |= STARTF_USESTDHANDLES;
            si.hStdOutput = output.get();
            si.hStdError = output.get();
            si.hStdInput = input.get();
        }
    }
    outputFile_.clear();
    const bool passOutput = static_cast<bool>(output);
    if (windowStyle != 0) {
        si.dwFlags |= STARTF_USESHOWWINDOW;
        // Shown without taking the focus from the window the user works in:
        // Stop and Esc stay where the user left them.
        si.wShowWindow = static_cast<WORD>(windowStyle == 2   ? SW_SHOWMINNOACTIVE
                                           : windowStyle == 3 ? SW_HIDE
                                                              : SW_SHOWNOACTIVATE);
    }
    // A console program started by the batch command would otherwise share
    // its console, and one started by the window would open a console window.
    // Started suspended and tied to the run before it runs a line, so that
    // nothing it starts escapes the run's job: AutoCAD ends with the run.
    const DWORD flags = NORMAL_PRIORITY_CLASS | CREATE_SUSPENDED | (windowStyle == 3 ? CREATE_NO_WINDOW : 0) |
                        (passOutput ? EXTENDED_STARTUPINFO_PRESENT : 0);
    PROCESS_INFORMATION pi{};
    const auto create = [&] {
        const BOOL created = CreateProcessW(nullptr, line.data(), nullptr, nullptr, passOutput ? TRUE : FALSE,
                                            flags, nullptr, nullptr, &si, &pi);
        if (six.lpAttributeList != nullptr)
            DeleteProcThreadAttributeList(six.lpAttributeList);
        if (!created)
            return false;
        if (auto* run = WinRunOwnership::Current())
            run->tie(pi.hProcess, pi.dwProcessId);
        ResumeThread(pi.hThread);
        return true;
    };
    // Starting a program can take a while (under Wine, a tenth of a second):
    // a window answers meanwhile.
    if (line.empty() ||
        !(family_->starts == Starts::OffThread ? RunOffThread(create).value_or(false) : create()))
        return false;
    process_.reset(pi.hProcess);
    thread_.reset(pi.hThread);
    pid_ = pi.dwProcessId;
    ended_ = false;
    quiet_ = false;
    return true;
}

bool WinProcessRunner::hasEnded() {
    if (!process_ || ended_)
        return true;
    if (quiet_)
        return false;
    ended_ = WaitForSingleObject(process_.get(), 0) != WAIT_TIMEOUT;
    return ended_;
}

bool WinProcessRunner::hasEndedNow() {
    quiet_ = false;
    return hasEnded();
}

ProcessRunner::Wake WinProcessRunner::waitForWake(unsigned milliseconds) {
    if (!process_ && family_->members.size() == 1)
        return Wake::ProcessEnded;
    // The processes of this runner and its siblings not known to have ended.
    // One that has ended unseen wakes the wait at once and is known from then on.
    std::vector<WinProcessRunner*> waited;
    std::vector<HANDLE> handles;
    for (WinProcessRunner* member : family_->members) {
        member->quiet_ = false;
        if (member->running() && handles.size() < MAXIMUM_WAIT_OBJECTS - 1) {
            waited.push_back(member);
            handles.push_back(member->process_.get());
        }
    }
    const auto count = static_cast<DWORD>(handles.size());
    const DWORD r =
        MsgWaitForMultipleObjectsEx(count, handles.data(), milliseconds, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (r < WAIT_OBJECT_0 + count) {
        waited[r - WAIT_OBJECT_0]->ended_ = true;
        return Wake::ProcessEnded;
    }
    // None had ended when the wait returned: the pass that follows need not
    // ask about each one (one that ends meanwhile wakes the next wait at once).
    if (r == WAIT_OBJECT_0 + count || r == WAIT_TIMEOUT)
        for (WinProcessRunner* member : waited)
            member->quiet_ = true;
    return r == WAIT_OBJECT_0 + count ? Wake::Input : Wake::Timeout;
}

void WinProcessRunner::terminate() {
    quiet_ = false;
    if (process_) {
        DWORD code = STILL_ACTIVE;
        if (WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0 &&
            GetExitCodeProcess(process_.get(), &code))
            lastExitCode_ = code;
        // Not waited for here: the caller waits through its pump
        // (hasEnded), and the next start lets go of the handles.
        TerminateProcess(process_.get(), 0);
    }
}

namespace {

// Every process with its parent, from one query of the system's process
// table (the tool-help snapshot built on it costs a mapping per entry under Wine).
ProcessListing ProcessList() {
    ProcessListing all;
    ULONG size = 64 * 1024;
    std::unique_ptr<std::uint64_t[]> buffer; // 8-aligned, as the records are
    NTSTATUS status = 0;
    for (int attempt = 0; attempt < 4; ++attempt) {
        buffer = std::make_unique_for_overwrite<std::uint64_t[]>(size / 8 + 1);
        ULONG needed = 0;
        status = NtQuerySystemInformation(SystemProcessInformation, buffer.get(), size, &needed);
        if (status != static_cast<NTSTATUS>(0xC0000004L)) // STATUS_INFO_LENGTH_MISMATCH
            break;
        size = std::max(size * 2, needed + 16 * 1024); // processes may start meanwhile
    }
    if (status < 0)
        return all;
    const auto* record = reinterpret_cast<const unsigned char*>(buffer.get());
    while (true) {
        const auto* p = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(record);
        all.emplace_back(
            static_cast<std::uint32_t>(reinterpret_cast<ULONG_PTR>(p->UniqueProcessId)),
            static_cast<std::uint32_t>(reinterpret_cast<ULONG_PTR>(p->InheritedFromUniqueProcessId)));
        if (p->NextEntryOffset == 0)
            break;
        record += p->NextEntryOffset;
    }
    return all;
}

} // namespace

WinProcessRunner::Family::Family() : lineage(ProcessList) {}

bool WinProcessRunner::owns(std::uint32_t pid) {
    if (pid_ == 0 || pid == 0)
        return false;
    if (pid == pid_)
        return true;
    // A sibling's process was started by the run, not by this one, and its id
    // is not given to another process while the sibling holds its handle.
    for (const WinProcessRunner* member : family_->members)
        if (member != this && member->process_ && member->pid_ == pid)
            return false;
    return family_->lineage.descends(pid, pid_, GetTickCount64());
}

namespace {

HWND H(WindowScanner::Window w) {
    return reinterpret_cast<HWND>(w);
}
WindowScanner::Window W(HWND h) {
    return reinterpret_cast<WindowScanner::Window>(h);
}

} // namespace

std::vector<WindowScanner::Window> WinWindowScanner::topLevelWindows() {
    // One listing of the desktop (walking it window by window asks the
    // window manager once per window).
    std::vector<Window> windows;
    EnumWindows(
        [](HWND w, LPARAM out) -> BOOL {
            reinterpret_cast<std::vector<Window>*>(out)->push_back(W(w));
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&windows));
    return windows;
}

std::string WinWindowScanner::title(Window w) {
    // Read without sending a message: a hung window cannot block the scan.
    wchar_t text[255] = {};
    InternalGetWindowText(H(w), text, 255);
    return Narrow(text);
}

WindowScanner::Window WinWindowScanner::owner(Window w) {
    return W(GetWindow(H(w), GW_OWNER));
}

std::uint32_t WinWindowScanner::processId(Window w) {
    DWORD pid = 0;
    GetWindowThreadProcessId(H(w), &pid);
    return pid;
}

WindowScanner::Window WinWindowScanner::findButton(Window parent, std::string_view caption) {
    if (parent == 0)
        return 0;
    return W(FindWindowExW(H(parent), nullptr, L"Button", Widen(caption).c_str()));
}

// Posted: the other program handles them when it gets to them, and the
// window never waits for a program that does not answer.
void WinWindowScanner::click(Window button) {
    if (button != 0)
        PostMessageW(H(button), BM_CLICK, 0, 0);
}

void WinWindowScanner::close(Window w) {
    if (w != 0)
        PostMessageW(H(w), WM_CLOSE, 0, 0);
}

bool WinWindowScanner::activate(Window w) {
    HWND h = H(w);
    if (w == 0 || !IsWindow(h) || IsHungAppWindow(h))
        return false;
    HWND front = GetForegroundWindow();
    DWORD frontProcess = 0;
    if (front != nullptr && front != h && GetWindowThreadProcessId(front, &frontProcess) != 0 &&
        frontProcess == GetCurrentProcessId())
        giveBackTo_ = front;
    SetForegroundWindow(h);
    return true;
}

void WinWindowScanner::typeKeys(Window w, std::string_view keys) {
    // Posted to AutoCAD's own window, never into whatever happens to be active.
    HWND h = H(w);
    if (keys == "{ESC}") {
        PostMessageW(h, WM_CHAR, 27, 0);
    } else {
        for (wchar_t c : Widen(keys))
            PostMessageW(h, WM_CHAR, c, 0);
    }
    // Wait, boundedly, until they are processed.
    SendMessageTimeoutW(h, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, nullptr);
    if (giveBackTo_ != nullptr) {
        if (IsWindow(giveBackTo_))
            SetForegroundWindow(giveBackTo_);
        giveBackTo_ = nullptr;
    }
}

} // namespace ps
