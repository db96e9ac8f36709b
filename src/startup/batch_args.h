// The command line of the console batch command:
//   plansweeper-batch run <listfile> [--out <listfile>] [--set <Key>=<Value>]...
//                         [--dry-run] [--scripts <folder>] [--report <file.html>] [--json <file.json>]
//                         [--csv <file.csv>] [--logs <folder>]
//                         [--jobs <n>] [--console]
//                         [--retry-failed]
//   plansweeper-batch split <listfile> --parts <n> --out <folder> [--set <Key>=<Value>]...
//   plansweeper-batch merge <listfile> <part>...
//   plansweeper-batch condor <listfile> --parts <n> --out <folder> [--set <Key>=<Value>]...
// --jobs n is --set Parallel=n: n drawings at once. --console is
// --set UseConsole=-1: AutoCAD's console engine where a product has it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ps {

enum class BatchCommand { Run, Split, Merge, Condor };

struct BatchArgs {
    BatchCommand command = BatchCommand::Run;
    std::string listFile;
    std::string outFile; // the list file itself when not given
    std::vector<std::pair<std::string, std::string>> overrides;
    bool dryRun = false;
    std::string scriptsFolder;
    std::string reportFile;             // the run report (HTML); none when empty
    std::string jsonFile;               // the run as JSON; none when empty
    std::string csvFile;                // the run as a spreadsheet table; none when empty
    std::string logsFolder;             // the drawings' AutoCAD transcripts; the user's own folder when empty
    bool retryFailed = false;           // only the failed rows run, once more
    std::size_t parts = 0;              // split: how many part lists
    std::string partsFolder;            // split: where they are written
    std::vector<std::string> partFiles; // merge: the parts whose outcomes go back into the list
};

inline constexpr const char* kBatchUsage =
    "usage: plansweeper-batch run <listfile> [--out <listfile>] [--set <Key>=<Value>]... [--dry-run] "
    "[--scripts <folder>] [--report <file.html>] [--json <file.json>] [--csv <file.csv>] [--logs <folder>] "
    "[--jobs <n>] "
    "[--console] "
    "[--retry-failed] "
    "[--skip-unchanged]\r\n"
    "       plansweeper-batch split <listfile> --parts <n> --out <folder> [--set <Key>=<Value>]...\r\n"
    "       plansweeper-batch merge <listfile> <part>...\r\n"
    "       plansweeper-batch condor <listfile> --parts <n> --out <folder> [--set <Key>=<Value>]...";

// What --help, -h and /? print: every command and switch on a line of its
// own, and the exit codes.
inline constexpr const char* kBatchHelp =
    "Cleans and converts the drawings of a list file with AutoCAD, unattended.\r\n"
    "\r\n"
    "usage: plansweeper-batch run <listfile> [options]\r\n"
    "\r\n"
    "  run <listfile>         process the list's pending rows; their statuses are written back\r\n"
    "  --out <listfile>       write the statuses to this list file instead\r\n"
    "  --set <Key>=<Value>    a setting for this run only (as stored: --set Timeout=600)\r\n"
    "  --jobs <n>             n drawings at once (--set Parallel=n)\r\n"
    "  --console              AutoCAD's console engine where a product has it (--set UseConsole=-1)\r\n"
    "  --dry-run              say what would run; change no drawing, list or setting\r\n"
    "  --scripts <folder>     with --dry-run: keep each drawing's script there\r\n"
    "  --report <file.html>   write the run report there\r\n"
    "  --json <file.json>     write the run's totals and every row, with what the cleaning did, there\r\n"
    "  --csv <file.csv>       write every row, with what the cleaning did, as a table for a spreadsheet\r\n"
    "  --logs <folder>        keep each drawing's AutoCAD transcript there (else in a folder per run\r\n"
    "                         under %LOCALAPPDATA%\\Plansweeper\\Transcripts)\r\n"
    "  --retry-failed         run the failed rows again, and no other row\r\n"
    "  --skip-unchanged       pass over drawings unchanged since their last OK run (--set "
    "SkipUnchanged=-1)\r\n"
    "  split <listfile>       write the list's drawings (folder rows expanded) as part lists of about\r\n"
    "                         equal work, one name in one part; any desk runs a part with run\r\n"
    "  --parts <n>            split: how many parts\r\n"
    "  --out <folder>         split: where the parts are written\r\n"
    "  merge <listfile> <part>...  write each part's outcomes back into the list\r\n"
    "  condor <listfile>      split, and write an HTCondor DAG that runs every part on a desk with\r\n"
    "                         AutoCAD and then merges (--parts, --out as for split)\r\n"
    "  --help, -h, /?         this text\r\n"
    "\r\n"
    "Exit codes:\r\n"
    "  0  every drawing row OK or passed over by the settings' choice\r\n"
    "  1  a row failed or was left undone, or the report could not be written\r\n"
    "  2  bad arguments, an unreadable list, or settings every drawing would fail for\r\n"
    "  3  the list file could not be written\r\n";

// The parsed command, or the reason it is not one (a usage error); help
// when the help was asked for.
struct BatchParse {
    std::optional<BatchArgs> args;
    std::string error;
    bool help = false;
};

// Arguments after the program name. Keys of --set are checked against the
// settings keys (without regard to case).
BatchParse ParseBatchArgs(const std::vector<std::string>& arguments);

// Exit codes: 0 every drawing row "OK" or passed over by choice; 1 a row
// failed or was left undone (ListExitCode); 2 bad arguments or an unreadable
// list; 3 the list could not be written.
enum BatchExit { kBatchAllGood = 0, kBatchSomeFailed = 1, kBatchUsageError = 2, kBatchListNotWritten = 3 };

} // namespace ps
