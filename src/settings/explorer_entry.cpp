#include "settings/explorer_entry.h"

#include "acad/registry_helpers.h"
#include "settings/settings_form.h"

#include <algorithm>
#include <vector>

namespace ps {
namespace {

constexpr std::string_view kExtensions[] = {".dwg", ".dxf"};
constexpr std::string_view kUserClasses = "Software\\Classes\\";

// The file types of the two extensions, each once, empty ones left out.
std::vector<std::string> FileTypes(const Registry& reg) {
    std::vector<std::string> types;
    for (auto extension : kExtensions) {
        std::string type = RegText(ReadRegValue(reg, RegRoot::ClassesRoot, extension, "", std::string()));
        if (type.empty())
            type =
                RegText(ReadRegValue(reg, RegRoot::CurrentUser,
                                     std::string(kUserClasses) + std::string(extension), "", std::string()));
        if (!type.empty() && std::find(types.begin(), types.end(), type) == types.end())
            types.push_back(type);
    }
    return types;
}

std::string VerbKey(const std::string& type) {
    return type + "\\shell\\Plansweeper";
}

// Removes the verb from every file type under one root's classes.
void DeleteVerbs(Registry& reg, RegRoot root, std::string_view classes) {
    for (const auto& type : FileTypes(reg)) {
        const std::string verb = std::string(classes) + VerbKey(type);
        DeleteRegKey(reg, root, verb + "\\Command");
        DeleteRegKey(reg, root, verb);
    }
}

} // namespace

std::string ProgramPathForExplorer(const Registry& reg, std::string_view ownPath) {
    const std::string registered =
        RegText(ReadRegValue(reg, RegRoot::LocalMachine,
                             std::string(kAppPathsKey) + std::string(kProgramFileName), "", std::string()));
    return registered.empty() ? std::string(ownPath) : registered;
}

bool CreateExplorerEntry(Registry& reg, std::string_view programPath) {
    const std::string command = ExplorerCommandLine(programPath);
    const auto types = FileTypes(reg);
    for (const auto& type : types)
        CreateRegKeyValue(reg, RegRoot::CurrentUser, std::string(kUserClasses) + VerbKey(type) + "\\Command",
                          "", command);
    return !types.empty() && ExplorerEntryExists(reg);
}

bool DeleteExplorerEntry(Registry& reg) {
    DeleteVerbs(reg, RegRoot::CurrentUser, kUserClasses);
    DeleteVerbs(reg, RegRoot::ClassesRoot, {});
    return !ExplorerEntryExists(reg);
}

bool ExplorerEntryExists(const Registry& reg) {
    for (const auto& type : FileTypes(reg))
        if (reg.keyExists(RegRoot::CurrentUser, std::string(kUserClasses) + VerbKey(type) + "\\Command"))
            return true;
    return false;
}

std::string ExplorerEntryProgram(const Registry& reg) {
    for (const auto& type : FileTypes(reg)) {
        const std::string command =
            RegText(ReadRegValue(reg, RegRoot::CurrentUser,
                                 std::string(kUserClasses) + VerbKey(type) + "\\Command", "", std::string()));
        if (command.empty())
            continue;
        if (command.front() != '"')
            return command.substr(0, command.find(' '));
        const auto end = command.find('"', 1);
        return command.substr(1, end == std::string::npos ? std::string::npos : end - 1);
    }
    return {};
}

bool RemoveStaleExplorerEntry(Registry& reg, const std::function<bool(std::string_view)>& programExists) {
    const std::string program = ExplorerEntryProgram(reg);
    if (program.empty() || programExists(program))
        return false;
    DeleteVerbs(reg, RegRoot::CurrentUser, kUserClasses);
    return true;
}

} // namespace ps
