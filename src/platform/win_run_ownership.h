// This process's run beside other Plansweeper processes of the user: an id
// from the process id and its start time, a lock file held open without
// sharing (the system closes it when the process dies), a job object that
// ends every AutoCAD the run starts when the run's process ends, and the
// lock over the records runs share (a named mutex, released by a dying holder).
#pragma once

#include "core/run_ownership.h"
#include "platform/handles.h"

#include <windows.h>

#include <functional>
#include <string>

namespace ps {

class WinRunOwnership final : public RunOwnership {
public:
    // runsFolder: where every run has its own folder (RunsFolderOf).
    explicit WinRunOwnership(std::string runsFolder);
    ~WinRunOwnership() override;
    WinRunOwnership(const WinRunOwnership&) = delete;
    WinRunOwnership& operator=(const WinRunOwnership&) = delete;

    const std::string& ownId() const override { return id_; }
    bool alive(std::string_view runId) override;
    void lockShared() override;
    void unlockShared() override;

    // Ties a process the run started to the run: it ends when the run's
    // process ends. When it cannot be tied (it is in a job that allows no
    // other), it is recorded, so that no other program puts its drawing
    // back while it works, and onUntied is told. False then.
    bool tie(HANDLE process, DWORD pid);
    void setOnUntied(std::function<void(const std::string&)> told) { onUntied_ = std::move(told); }
    // The one of this process, or nullptr.
    static WinRunOwnership* Current();
    // The one that lives as long as the process, made at the first call (the
    // window's: every run it makes belongs to the one process).
    static WinRunOwnership& ForThisProcess(const std::string& runsFolder);

private:
    std::string runsFolder_;
    std::string id_;
    UniqueHandle<FileHandleTraits> lock_;
    UniqueHandleKernel job_;
    UniqueHandleKernel shared_;
    int sharedDepth_ = 0;
    std::function<void(const std::string&)> onUntied_;
};

} // namespace ps
