#include "core/run_ownership.h"

#include <string>

namespace ps {
namespace {

std::string UsersKey(std::string_view record) {
    return std::string(record) + "\\Users";
}

} // namespace

void AddRunUser(Registry& reg, RegRoot root, std::string_view record, std::string_view runId) {
    const std::string users = UsersKey(record);
    if (reg.createKey(root, users))
        reg.setValue(root, users, runId, RegDwordValue(1));
}

void RemoveRunUser(Registry& reg, RegRoot root, std::string_view record, std::string_view runId) {
    reg.deleteValue(root, UsersKey(record), runId);
}

bool IsRunUser(const Registry& reg, RegRoot root, std::string_view record, std::string_view runId) {
    return reg.queryValue(root, UsersKey(record), runId).has_value();
}

bool PruneGoneUsers(Registry& reg, RegRoot root, std::string_view record, RunOwnership& runs) {
    const std::string users = UsersKey(record);
    const auto values = reg.values(root, users);
    if (!values)
        return false;
    bool live = false;
    for (const auto& [name, value] : *values) {
        if (runs.alive(name))
            live = true;
        else
            reg.deleteValue(root, users, name);
    }
    return live;
}

} // namespace ps
