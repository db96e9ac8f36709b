#include "drawinglist/list_parts.h"

#include "core/file_facts.h"
#include "core/strings.h"

#include <algorithm>
#include <map>
#include <numeric>

namespace ps {

std::vector<DrawingList> SplitList(const DrawingList& list, std::size_t parts,
                                   const std::function<std::uint64_t(const DrawingRow&)>& work) {
    parts = std::max<std::size_t>(parts, 1);
    // The rows of each name, with their work.
    struct Group {
        std::vector<std::size_t> rows;
        std::uint64_t work = 0;
    };
    std::map<std::string, Group> byName;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const DrawingRow& row = list[i];
        if (row.isFolder())
            continue;
        Group& group = byName[ToUpper(FileBaseName(row.cell(kColFilename), false))];
        group.rows.push_back(i);
        group.work += std::max<std::uint64_t>(1, work ? work(row) : 1);
    }
    // The heaviest group first, each to the part with the least work so far.
    std::vector<const Group*> groups;
    for (const auto& [name, group] : byName)
        groups.push_back(&group);
    std::stable_sort(groups.begin(), groups.end(),
                     [](const Group* a, const Group* b) { return a->work > b->work; });
    std::vector<std::uint64_t> load(parts, 0);
    std::vector<std::vector<std::size_t>> rowsOf(parts);
    for (const Group* group : groups) {
        const auto least =
            static_cast<std::size_t>(std::min_element(load.begin(), load.end()) - load.begin());
        load[least] += group->work;
        rowsOf[least].insert(rowsOf[least].end(), group->rows.begin(), group->rows.end());
    }
    std::vector<DrawingList> result(parts);
    for (std::size_t p = 0; p < parts; ++p) {
        std::sort(rowsOf[p].begin(), rowsOf[p].end());
        for (const std::size_t i : rowsOf[p])
            result[p].append(list[i]);
    }
    return result;
}

MergeResult MergePart(DrawingList& whole, const DrawingList& part) {
    MergeResult result;
    std::map<std::string, std::size_t> rowOf;
    for (std::size_t i = 0; i < whole.size(); ++i)
        if (!whole[i].isFolder())
            rowOf.emplace(ToUpper(FullPath(whole[i])), i);
    std::vector<std::pair<std::size_t, const DrawingRow*>> matches;
    for (const auto& row : part) {
        const auto found = row.isFolder() ? rowOf.end() : rowOf.find(ToUpper(FullPath(row)));
        if (found == rowOf.end()) {
            result.error = "holds " + (row.isFolder() ? row.cell(kColPath) : FullPath(row)) +
                           ", which the list does not: it is no part of this list";
            return result;
        }
        matches.emplace_back(found->second, &row);
    }
    for (const auto& [at, row] : matches) {
        for (const Column c :
             {kColVersion, kColStatus, kColSizeBefore, kColSizeAfter, kColDateBefore, kColDateAfter})
            whole[at].cell(c) = row->cell(c);
        ++result.merged;
    }
    return result;
}

} // namespace ps
