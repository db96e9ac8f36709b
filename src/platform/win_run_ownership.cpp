#include "platform/win_run_ownership.h"

#include "platform/text.h"

#include <cstdio>
#include <cstdlib>
#include <optional>

namespace ps {
namespace {

WinRunOwnership* g_current = nullptr;

constexpr const char* kLockName = "owner.lock";
constexpr const char* kUntiedName = "untied.pids";
// How long a run waits for the shared records' lock before going on
// without it: a holder keeps it for a few registry and file calls, a
// recovery for as long as it copies drawings back.
constexpr DWORD kSharedWaitMs = 30000;

std::uint64_t CreationOf(HANDLE process) {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user))
        return 0;
    return (std::uint64_t{created.dwHighDateTime} << 32) | created.dwLowDateTime;
}

std::string Stamp(DWORD pid, std::uint64_t created) {
    char text[48];
    std::snprintf(text, sizeof text, "%lu-%016llx", static_cast<unsigned long>(pid),
                  static_cast<unsigned long long>(created));
    return text;
}

struct ProcessStamp {
    DWORD pid = 0;
    std::uint64_t created = 0;
};

std::optional<ProcessStamp> ParseStamp(std::string_view text) {
    const auto dash = text.find('-');
    if (dash == std::string_view::npos || dash == 0 || dash + 1 >= text.size())
        return std::nullopt;
    const std::string pid(text.substr(0, dash));
    const std::string created(text.substr(dash + 1));
    char* end = nullptr;
    const unsigned long p = std::strtoul(pid.c_str(), &end, 10);
    if (*end != '\0')
        return std::nullopt;
    const unsigned long long c = std::strtoull(created.c_str(), &end, 16);
    if (*end != '\0')
        return std::nullopt;
    return ProcessStamp{static_cast<DWORD>(p), c};
}

// The process of that id and start time still runs.
bool Running(const ProcessStamp& stamp) {
    const UniqueHandleKernel process(
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, stamp.pid));
    return process && CreationOf(process.get()) == stamp.created &&
           WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
}

} // namespace

WinRunOwnership::WinRunOwnership(std::string runsFolder) : runsFolder_(std::move(runsFolder)) {
    id_ = Stamp(GetCurrentProcessId(), CreationOf(GetCurrentProcess()));
    const std::wstring folder = Widen(runsFolder_ + "\\" + id_);
    for (std::size_t i = 3; i <= folder.size(); ++i)
        if (i == folder.size() || folder[i] == L'\\')
            CreateDirectoryW(folder.substr(0, i).c_str(), nullptr);
    // Held without sharing for the life of the process; the system closes
    // it, and so deletes it, however the process ends.
    lock_.reset(CreateFileW((folder + L"\\" + Widen(kLockName)).c_str(), GENERIC_WRITE, 0, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    job_.reset(CreateJobObjectW(nullptr, nullptr));
    if (job_) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (!SetInformationJobObject(job_.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits))
            job_.reset();
    }
    // Per user, across the user's sessions (a task the scheduler starts may
    // run in another); the session's own namespace where that is refused.
    shared_.reset(CreateMutexW(nullptr, FALSE, L"Global\\Plansweeper.SharedRecords"));
    if (!shared_)
        shared_.reset(CreateMutexW(nullptr, FALSE, L"Plansweeper.SharedRecords"));
    g_current = this;
}

WinRunOwnership::~WinRunOwnership() {
    if (g_current == this)
        g_current = nullptr;
    lock_.reset();
    DeleteFileW(Widen(runsFolder_ + "\\" + id_ + "\\" + kUntiedName).c_str());
    RemoveDirectoryW(Widen(runsFolder_ + "\\" + id_).c_str()); // only when nothing is left in it
    // The job's handle closes last: an AutoCAD still at work ends with it.
}

WinRunOwnership* WinRunOwnership::Current() {
    return g_current;
}

WinRunOwnership& WinRunOwnership::ForThisProcess(const std::string& runsFolder) {
    static WinRunOwnership run(runsFolder);
    return run;
}

bool WinRunOwnership::alive(std::string_view runId) {
    if (runId == id_)
        return true;
    const auto stamp = ParseStamp(runId);
    if (!stamp)
        return false; // not a run's folder of this program
    if (Running(*stamp))
        return true;
    const std::string folder = runsFolder_ + "\\" + std::string(runId);
    const UniqueHandle<FileHandleTraits> probe(CreateFileW(
        Widen(folder + "\\" + kLockName).c_str(), GENERIC_READ,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!probe && GetLastError() == ERROR_SHARING_VIOLATION)
        return true;
    // AutoCAD processes the run could not tie to itself keep it alive.
    const UniqueHandle<FileHandleTraits> untied(CreateFileW(Widen(folder + "\\" + kUntiedName).c_str(),
                                                            GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                            nullptr, OPEN_EXISTING, 0, nullptr));
    if (!untied)
        return false;
    char buffer[4096];
    DWORD read = 0;
    if (!ReadFile(untied.get(), buffer, sizeof buffer, &read, nullptr))
        return false;
    std::string_view text(buffer, read);
    while (!text.empty()) {
        const auto end = std::min(text.find('\n'), text.size());
        if (const auto child = ParseStamp(text.substr(0, end)); child && Running(*child))
            return true;
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return false;
}

void WinRunOwnership::lockShared() {
    if (shared_)
        WaitForSingleObject(shared_.get(), kSharedWaitMs); // an abandoned lock is taken over
    ++sharedDepth_;
}

void WinRunOwnership::unlockShared() {
    if (sharedDepth_ > 0)
        --sharedDepth_;
    if (shared_)
        ReleaseMutex(shared_.get());
}

bool WinRunOwnership::tie(HANDLE process, DWORD pid) {
    if (job_ && AssignProcessToJobObject(job_.get(), process))
        return true;
    const std::string line = Stamp(pid, CreationOf(process)) + "\n";
    const UniqueHandle<FileHandleTraits> file(
        CreateFileW(Widen(runsFolder_ + "\\" + id_ + "\\" + kUntiedName).c_str(), FILE_APPEND_DATA,
                    FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr));
    DWORD wrote = 0;
    if (file)
        WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &wrote, nullptr);
    if (onUntied_)
        onUntied_("AutoCAD (process " + std::to_string(pid) +
                  ") could not be tied to this run: it would go on working if the run ended early, so "
                  "no other run puts its drawing back while it runs.");
    return false;
}

} // namespace ps
