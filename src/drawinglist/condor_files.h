// The files that hand a split list to an HTCondor pool of office desks: a
// submit description that runs one part on a desk with AutoCAD, as the
// submitting user, one for the merge, and a DAG that runs every part (again
// when a desk is lost) and then, as its final node, merges them.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace ps {

// The machine attribute a desk with AutoCAD advertises (STARTD_ATTRS).
inline constexpr const char* kCondorAutoCadAttribute = "PLANSWEEPER_AUTOCAD";
// Times DAGMan runs a part again when its job fails (a desk lost).
inline constexpr int kCondorPartRetries = 2;

struct CondorFiles {
    std::string partSubmit;  // plansweeper-part.sub
    std::string mergeSubmit; // plansweeper-merge.sub
    std::string dag;         // plansweeper.dag
};

// batch: plansweeper-batch.exe's full path (the same on every desk);
// list and parts: full paths every desk reaches; overrides: the --set
// values of the command, passed on to every part's run; folder: where the
// files and the job logs go.
CondorFiles MakeCondorFiles(const std::string& batch, const std::string& list,
                            const std::vector<std::string>& parts,
                            const std::vector<std::pair<std::string, std::string>>& overrides,
                            const std::string& folder);

// One argument in HTCondor's new argument syntax: in single quotes, a
// single quote doubled.
std::string CondorArgument(const std::string& text);
// A value inside a DAG's VARS double quotes: backslashes and quotes escaped.
std::string DagVarsValue(const std::string& text);

} // namespace ps
