// Which processes a started process started, directly or further down: the
// pop-up closer answers only their windows. A listing of the system's
// processes is costly (under Wine it reads a few files per process and
// thread), so one listing answers for a while. It is made again for a
// process it does not know, when it grows old, and before it is trusted to
// call a process other than the started one its own (a process id can be
// reused once its process has gone).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace ps {

// (process, parent) for every process of the system.
using ProcessListing = std::vector<std::pair<std::uint32_t, std::uint32_t>>;

// Whether pid is root or was started by it, directly or further down, by the
// parents in the listing. A parent id outlives its process and may have been
// reused, so a walk that comes round again ends there.
bool DescendsFrom(const ProcessListing& listing, std::uint32_t pid, std::uint32_t root);

class ProcessLineage {
public:
    // A listing younger than this may say that a process is the started one's.
    static constexpr std::uint64_t kFreshMs = 100;
    // A listing older than this is made again before it answers at all.
    static constexpr std::uint64_t kLifeMs = 2000;

    explicit ProcessLineage(std::function<ProcessListing()> list) : list_(std::move(list)) {}
    // DescendsFrom over a listing as young as the answer needs.
    bool descends(std::uint32_t pid, std::uint32_t root, std::uint64_t nowMs);

private:
    std::uint64_t ageMs(std::uint64_t nowMs) const;
    void relist(std::uint64_t nowMs);

    std::function<ProcessListing()> list_;
    ProcessListing listing_;
    std::optional<std::uint64_t> listedAtMs_;
};

} // namespace ps
