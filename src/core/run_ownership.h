// Who owns what a run leaves behind. Several Plansweeper processes of one
// user may run at once (the window, a batch, a batch the Task Scheduler
// starts): each run has an id of its own and holds something the system
// releases when its process dies. Journals, safety copies, profile records
// and claims on drawings carry that id, and only what belongs to a run
// proved gone is ever put back or deleted.
#pragma once

#include "core/registry.h"

#include <set>
#include <string>
#include <string_view>

namespace ps {

class RunOwnership {
public:
    virtual ~RunOwnership() = default;
    // This process's run: an id no other process has now or will have.
    virtual const std::string& ownId() const = 0;
    // Whether the run of that id may still be at work: its process (or an
    // AutoCAD it started that could not be tied to it) is still alive. A run
    // is gone only when the system says so.
    virtual bool alive(std::string_view runId) = 0;
    // The lock over the records runs share (profile values, AutoCAD's
    // current product, claims): held while they are read and changed. A
    // holder that dies releases it.
    virtual void lockShared() = 0;
    virtual void unlockShared() = 0;
};

// Holds the shared records' lock for a scope.
class SharedRecordsLock {
public:
    explicit SharedRecordsLock(RunOwnership& runs) : runs_(runs) { runs_.lockShared(); }
    ~SharedRecordsLock() { runs_.unlockShared(); }
    SharedRecordsLock(const SharedRecordsLock&) = delete;
    SharedRecordsLock& operator=(const SharedRecordsLock&) = delete;

private:
    RunOwnership& runs_;
};

// Runs by hand, for tests and dry runs: alive while listed.
class MemoryRunOwnership final : public RunOwnership {
public:
    explicit MemoryRunOwnership(std::string id = "run-1") : id_(std::move(id)) { live_.insert(id_); }
    const std::string& ownId() const override { return id_; }
    bool alive(std::string_view runId) override { return live_.contains(std::string(runId)); }
    void lockShared() override { ++locks_; }
    void unlockShared() override { --locks_; }
    void setAlive(const std::string& runId, bool alive) {
        if (alive)
            live_.insert(runId);
        else
            live_.erase(runId);
    }
    int locksHeld() const { return locks_; }

private:
    std::string id_;
    std::set<std::string> live_;
    int locks_ = 0;
};

// The runs using a shared registry record, one value per run below the
// record's "Users" key. Called with the shared lock held.
void AddRunUser(Registry& reg, RegRoot root, std::string_view record, std::string_view runId);
void RemoveRunUser(Registry& reg, RegRoot root, std::string_view record, std::string_view runId);
bool IsRunUser(const Registry& reg, RegRoot root, std::string_view record, std::string_view runId);
// Forgets the users that are gone; true when a live one remains.
bool PruneGoneUsers(Registry& reg, RegRoot root, std::string_view record, RunOwnership& runs);

} // namespace ps
