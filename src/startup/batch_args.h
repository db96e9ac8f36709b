// The command line of the console batch command:
//   plansweeper-batch run <listfile> [--out <listfile>] [--set <Key>=<Value>]...
//                         [--dry-run] [--scripts <folder>] [--report <file.html>] [--jobs <n>] [--console]
// --jobs n is --set Parallel=n: n drawings at once. --console is
// --set UseConsole=-1: AutoCAD's console engine where a product has it.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ps {

struct BatchArgs {
    std::string listFile;
    std::string outFile; // the list file itself when not given
    std::vector<std::pair<std::string, std::string>> overrides;
    bool dryRun = false;
    std::string scriptsFolder;
    std::string reportFile; // the run report (HTML); none when empty
};

inline constexpr const char* kBatchUsage =
    "usage: plansweeper-batch run <listfile> [--out <listfile>] [--set <Key>=<Value>]... [--dry-run] "
    "[--scripts <folder>] [--report <file.html>] [--jobs <n>] [--console]";

// The parsed command, or the reason it is not one (a usage error).
struct BatchParse {
    std::optional<BatchArgs> args;
    std::string error;
};

// Arguments after the program name. Keys of --set are checked against the
// settings keys (without regard to case).
BatchParse ParseBatchArgs(const std::vector<std::string>& arguments);

// Exit codes: 0 every drawing row "OK" or passed over by choice; 1 a row
// failed or was left undone (ListExitCode); 2 bad arguments or an unreadable
// list; 3 the list could not be written.
enum BatchExit { kBatchAllGood = 0, kBatchSomeFailed = 1, kBatchUsageError = 2, kBatchListNotWritten = 3 };

} // namespace ps
