#include "core/process_lineage.h"

#include <algorithm>
#include <limits>

namespace ps {

namespace {

std::optional<std::uint32_t> ParentOf(const ProcessListing& listing, std::uint32_t pid) {
    const auto it =
        std::find_if(listing.begin(), listing.end(), [pid](const auto& p) { return p.first == pid; });
    if (it == listing.end())
        return std::nullopt;
    return it->second;
}

} // namespace

bool DescendsFrom(const ProcessListing& listing, std::uint32_t pid, std::uint32_t root) {
    if (pid == root)
        return true;
    // Each step goes one generation up; more steps than processes means a loop.
    for (std::size_t steps = 0; steps < listing.size(); ++steps) {
        const auto parent = ParentOf(listing, pid);
        if (!parent || *parent == 0 || *parent == pid)
            return false;
        if (*parent == root)
            return true;
        pid = *parent;
    }
    return false;
}

std::uint64_t ProcessLineage::ageMs(std::uint64_t nowMs) const {
    if (!listedAtMs_)
        return std::numeric_limits<std::uint64_t>::max();
    return nowMs >= *listedAtMs_ ? nowMs - *listedAtMs_ : 0;
}

void ProcessLineage::relist(std::uint64_t nowMs) {
    listing_ = list_();
    listedAtMs_ = nowMs;
}

bool ProcessLineage::descends(std::uint32_t pid, std::uint32_t root, std::uint64_t nowMs) {
    if (pid == root)
        return true;
    if (pid == 0 || root == 0)
        return false;
    if (ageMs(nowMs) >= kLifeMs || (ageMs(nowMs) >= kFreshMs && !ParentOf(listing_, pid)))
        relist(nowMs);
    if (!DescendsFrom(listing_, pid, root))
        return false;
    // Its own, says a listing that may have outlived the process: asked again.
    if (ageMs(nowMs) >= kFreshMs) {
        relist(nowMs);
        return DescendsFrom(listing_, pid, root);
    }
    return true;
}

} // namespace ps
