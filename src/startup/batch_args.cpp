#include "startup/batch_args.h"

#include "settings/settings_form.h"
#include "settings/settings_keys.h"

namespace ps {

namespace {

// One --set <Key>=<Value>, checked as the settings dialog checks it; the
// reason when it is refused.
std::optional<std::string> AddOverride(BatchArgs& args, const std::string& value) {
    const auto eq = value.find('=');
    if (eq == std::string::npos || eq == 0)
        return "--set needs <Key>=<Value>, not \"" + value + "\"";
    const std::string key = value.substr(0, eq);
    const std::string text = value.substr(eq + 1);
    const SettingKey* known = FindSettingKey(key);
    if (known == nullptr)
        return "unknown setting \"" + key + "\"";
    // A run needs a product: only the per-format ones may be left empty.
    if (std::string_view(known->name) == "ProdName" && text.empty())
        return std::string("ProdName must name an installed AutoCAD product");
    // A value the settings would not take is refused before anything runs.
    if (auto wrong = CheckSettingValue(known->name, text))
        return wrong;
    Settings probe;
    if (!AssignStoredText(*known, probe, text))
        return std::string(known->name) + " cannot take \"" + text + "\"";
    args.overrides.emplace_back(key, text);
    return std::nullopt;
}

} // namespace

BatchParse ParseBatchArgs(const std::vector<std::string>& a) {
    BatchParse result;
    for (const auto& arg : a)
        if (arg == "--help" || arg == "-h" || arg == "/?") {
            result.help = true;
            return result;
        }
    if (a.empty() || (a[0] != "run" && a[0] != "split" && a[0] != "merge" && a[0] != "condor")) {
        result.error = a.empty() ? "no command given" : "unknown command \"" + a[0] + "\"";
        return result;
    }
    BatchArgs args;
    args.command = a[0] == "split"    ? BatchCommand::Split
                   : a[0] == "merge"  ? BatchCommand::Merge
                   : a[0] == "condor" ? BatchCommand::Condor
                                      : BatchCommand::Run;
    if (args.command == BatchCommand::Merge) {
        if (a.size() < 3) {
            result.error = "merge needs the list and at least one part";
            return result;
        }
        args.listFile = a[1];
        args.partFiles.assign(a.begin() + 2, a.end());
        args.outFile = args.listFile;
        result.args = std::move(args);
        return result;
    }
    for (std::size_t i = 1; i < a.size(); ++i) {
        const std::string& arg = a[i];
        const bool hasValue = i + 1 < a.size();
        if (arg == "--out" || arg == "--scripts" || arg == "--set" || arg == "--report" || arg == "--json" ||
            arg == "--csv" || arg == "--logs" || arg == "--jobs" || arg == "--parts") {
            if (!hasValue) {
                result.error = arg + " needs a value";
                return result;
            }
            const std::string& value = a[++i];
            if (arg == "--parts") {
                const auto n = ParseStoredNumber(value);
                if (!n || *n < 1 || *n > 1000) {
                    result.error = "--parts needs a number from 1 to 1000, not \"" + value + "\"";
                    return result;
                }
                args.parts = static_cast<std::size_t>(*n);
            } else if (arg == "--out") {
                args.outFile = value;
            } else if (arg == "--scripts") {
                args.scriptsFolder = value;
            } else if (arg == "--report") {
                args.reportFile = value;
            } else if (arg == "--json") {
                args.jsonFile = value;
            } else if (arg == "--csv") {
                args.csvFile = value;
            } else if (arg == "--logs") {
                args.logsFolder = value;
            } else if (auto wrong = AddOverride(args, arg == "--jobs" ? "Parallel=" + value : value)) {
                result.error = std::move(*wrong);
                return result;
            }
        } else if (arg == "--dry-run") {
            args.dryRun = true;
        } else if (arg == "--skip-unchanged") {
            AddOverride(args, "SkipUnchanged=-1");
        } else if (arg == "--retry-failed") {
            args.retryFailed = true;
        } else if (arg == "--console") {
            AddOverride(args, "UseConsole=-1");
        } else if (!arg.empty() && arg[0] == '-' && arg.size() > 1) {
            result.error = "unknown option \"" + arg + "\"";
            return result;
        } else if (args.listFile.empty()) {
            args.listFile = arg;
        } else {
            result.error = "more than one list file given";
            return result;
        }
    }
    if (args.listFile.empty()) {
        result.error = "no list file given";
        return result;
    }
    if (args.command == BatchCommand::Split || args.command == BatchCommand::Condor) {
        if (args.parts == 0 || args.outFile.empty()) {
            result.error = a[0] + " needs --parts <n> and --out <folder>";
            return result;
        }
        args.partsFolder = args.outFile;
        args.outFile = args.listFile;
        result.args = std::move(args);
        return result;
    }
    if (!args.scriptsFolder.empty() && !args.dryRun) {
        result.error = "--scripts goes with --dry-run";
        return result;
    }
    if (args.outFile.empty())
        args.outFile = args.listFile;
    result.args = std::move(args);
    return result;
}

} // namespace ps
