#include "drawinglist/condor_files.h"

namespace ps {

std::string CondorArgument(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        out += c;
        if (c == '\'')
            out += '\'';
        else if (c == '"')
            out += '"'; // a double quote inside the arguments' double quotes is doubled
    }
    return out + "'";
}

std::string DagVarsValue(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    return out;
}

CondorFiles MakeCondorFiles(const std::string& batch, const std::string& list,
                            const std::vector<std::string>& parts,
                            const std::vector<std::pair<std::string, std::string>>& overrides,
                            const std::string& folder) {
    std::string sets;
    for (const auto& [key, value] : overrides)
        sets += " --set " + CondorArgument(key + "=" + value);
    // Every desk reaches the program, the lists and the drawings by the same
    // paths; nothing is transferred. The job runs as the submitting user, on
    // a desk that says it has AutoCAD.
    const std::string common = "universe = vanilla\r\n"
                               "executable = " +
                               batch +
                               "\r\n"
                               "transfer_executable = false\r\n"
                               "should_transfer_files = NO\r\n"
                               "run_as_owner = true\r\n"
                               "requirements = (OpSys == \"WINDOWS\") && (" +
                               std::string(kCondorAutoCadAttribute) +
                               " =?= true)\r\n"
                               "log = " +
                               folder + "\\plansweeper.jobs.log\r\n";
    CondorFiles files;
    files.partSubmit = "# One part of the list, run by plansweeper-batch on a desk with AutoCAD.\r\n" +
                       common + "arguments = \"run '$(part)'" + sets +
                       "\"\r\n"
                       "output = $(part).out\r\n"
                       "error = $(part).err\r\n"
                       "queue\r\n";
    std::string partArgs;
    for (const auto& p : parts)
        partArgs += " " + CondorArgument(p);
    files.mergeSubmit = "# Every part's outcomes written back into the whole list.\r\n" + common +
                        "arguments = \"merge " + CondorArgument(list) + partArgs +
                        "\"\r\n"
                        "output = " +
                        folder +
                        "\\merge.out\r\n"
                        "error = " +
                        folder +
                        "\\merge.err\r\n"
                        "queue\r\n";
    files.dag = "# The parts on the pool's desks, each run again when its desk is lost; then the merge.\r\n";
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::string node = "part" + std::to_string(i + 1);
        files.dag += "JOB " + node + " plansweeper-part.sub\r\n";
        // Used inside single quotes in the arguments: a single quote doubled.
        std::string part;
        for (char c : parts[i])
            part += c == '\'' ? std::string("''") : std::string(1, c);
        files.dag += "VARS " + node + " part=\"" + DagVarsValue(part) + "\"\r\n";
        files.dag += "RETRY " + node + " " + std::to_string(kCondorPartRetries) + "\r\n";
    }
    files.dag += "FINAL merge plansweeper-merge.sub\r\n";
    return files;
}

} // namespace ps
