#include "drawinglist/temp_cleanup.h"

#include "core/strings.h"
#include "core/file_facts.h"

#include <vector>

namespace ps {

bool IsChosenTemporaryFile(std::string_view name, const Settings& s) {
    if (IsOn(s.DeletePlotLog) && ToUpper(name) == "PLOT.LOG")
        return true;
    const std::string ext = ToLower(FileExtension(name));
    if (ext.empty())
        return false;
    const auto on = [](std::int16_t flag) {
        return IsOn(flag);
    };
    return (on(s.DeleteBak) && ext == "bak") ||
           (on(s.DeleteBK) && ext.size() == 3 && StartsWith(ext, "bk")) || (on(s.DeleteSV) && ext == "sv$") ||
           (on(s.DeleteEBD) && ext == "$$$") || (on(s.DeleteAC) && ext == "ac$") ||
           (on(s.DeleteDMP) && ext == "dmp") || (on(s.DeleteERR) && ext == "err") ||
           (on(s.DeleteXLG) && ext == "xlg") || (on(s.DeleteDWL) && ext == "dwl") ||
           (on(s.DeleteDWK) && ext == "dwk");
}

bool AnyDeletionChosen(const Settings& s) {
    for (auto flag : {s.DeleteBak, s.DeleteBK, s.DeleteSV, s.DeleteEBD, s.DeleteAC, s.DeleteDMP, s.DeleteERR,
                      s.DeleteXLG, s.DeleteDWL, s.DeleteDWK, s.DeletePlotLog})
        if (IsOn(flag))
            return true;
    return false;
}

bool OldEnough(std::int64_t lastWriteDay, std::int64_t today, std::int32_t deleteDays) {
    return today - lastWriteDay > deleteDays;
}

void StartDeletedFilesLog(CleanupContext& c) {
    c.deleted = 0;
    c.files.writeFile(c.logPath, c.codec.toAnsiLossy(c.clock.nowText() + "\r\n"));
}

void FindFilesAPIdelete(CleanupContext& c, std::string folder) {
    c.state.showActivity(kActivityDeleting);
    if (folder.empty() || folder.back() != '\\')
        folder += '\\';
    const auto entries = c.files.listDirectory(folder, "*");
    if (!entries)
        return;
    std::vector<std::string> subfolders;
    for (const auto& entry : *entries) {
        c.pump.pumpOnce();
        if (!c.state.busy())
            return;
        if (entry.name != "." && entry.name != ".." && (entry.attributes & kAttrDirectory) != 0 &&
            (entry.attributes & kAttrReparsePoint) == 0)
            subfolders.push_back(entry.name);
    }
    c.state.setStatus(std::to_string(c.deleted) +
                      " file(s) deleted. Searching for files to delete in: " + folder);
    const std::int64_t today = c.clock.localDay(c.clock.nowFileTime());
    for (const auto& entry : *entries) {
        c.pump.pumpOnce();
        if (!c.state.busy())
            return;
        if ((entry.attributes & kAttrDirectory) != 0 || !IsChosenTemporaryFile(entry.name, c.settings))
            continue;
        const std::string path = folder + entry.name;
        FileTimes times;
        if (!GetFileDates(c.files, path, times))
            continue;
        if (!OldEnough(c.clock.localDay(times.modified), today, c.settings.DeleteDays))
            continue;
        const std::string line = path + ";" + FileBaseName(entry.name, false) + ";" +
                                 ToLower(FileExtension(entry.name)) + ";" +
                                 std::to_string(FileSizeKB(c.files, path));
        c.files.deleteFile(path);
        if (!c.files.attributes(path)) {
            ++c.deleted;
            c.files.appendFile(c.logPath, c.codec.toAnsiLossy(line + "\r\n"));
            c.state.setStatus(std::to_string(c.deleted) + " file(s) deleted. Deleted: " + path);
        }
    }
    if (IsOn(c.settings.IncludeSubfolders)) {
        for (const auto& sub : subfolders) {
            if (!c.state.busy())
                return;
            FindFilesAPIdelete(c, folder + sub + "\\");
        }
    }
}

} // namespace ps
