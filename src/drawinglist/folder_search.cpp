#include "drawinglist/folder_search.h"

#include <vector>

namespace ps {
namespace {

bool IsDotEntry(const std::string& name) {
    return name == "." || name == "..";
}

} // namespace

void FindFilesAPI(SearchContext& c, std::string folder, std::string_view pattern) {
    if (folder.empty() || folder.back() != '\\')
        folder += '\\';
    if (c.state.stopRequested())
        c.state.running(false);
    c.state.showActivity(kActivityAdding);
    c.state.setStatus(std::to_string(c.found) + " found file(s). Searching in: " + folder);

    std::vector<std::string> subfolders;
    if (const auto all = c.files.listDirectory(folder, "*")) {
        for (const auto& entry : *all) {
            c.pump.pumpOnce();
            if (!c.state.busy())
                return;
            if (IsDotEntry(entry.name) || (entry.attributes & kAttrDirectory) == 0)
                continue;
            ++c.folders;
            // A junction or symbolic link may lead back up or out of the folder.
            if ((entry.attributes & kAttrReparsePoint) == 0)
                subfolders.push_back(entry.name);
        }
    }
    if (const auto matches = c.files.listDirectory(folder, pattern)) {
        for (const auto& entry : *matches) {
            c.pump.pumpOnce();
            if (!c.state.busy())
                return;
            if (IsDotEntry(entry.name))
                continue;
            if (addToListView(c.list, c.files, c.settings, folder + entry.name)) {
                ++c.found;
                c.state.setStatus(std::to_string(c.found) + " found file(s). " + folder + entry.name);
            }
        }
    }
    if (IsOn(c.settings.IncludeSubfolders)) {
        for (const auto& sub : subfolders) {
            if (!c.state.busy())
                return;
            FindFilesAPI(c, folder + sub + "\\", pattern);
        }
    }
}

void subAddFolderToFiles(SearchContext& c,
                         const std::function<void(const std::string& folder)>& cleanFolder) {
    if (c.state.busy())
        return;
    std::vector<std::string> folders;
    if (!c.list.empty()) {
        c.state.running(true);
        for (std::size_t i = c.list.size(); i-- > 0;) {
            if (c.list[i].isFolder()) {
                folders.push_back(c.list[i].cell(kColPath));
                c.list.erase(i);
            }
            if (!c.state.busy())
                break;
        }
        c.state.running(false);
    }
    for (const auto& folder : folders) {
        c.state.running(true);
        c.list.setSortingOff();
        FindFilesAPI(c, folder, "*.dwg");
        FindFilesAPI(c, folder, "*.dxf");
        if (c.state.stopRequested()) {
            c.state.running(false);
            break;
        }
        if (cleanFolder)
            cleanFolder(folder);
        c.state.running(false);
    }
}

} // namespace ps
