// What a run left of each drawing it ended "OK", kept per user, so that a
// later run can pass over a drawing nothing has changed since ("Skip
// drawings unchanged since their last OK run").
//
// One text file, appended to: a line per drawing saved, "key, size, content
// hash, last write, settings hash" and a check sum over them. Appending one
// line is one write under the shared-records lock, so two runs never mix
// their lines; a line a kill cut short fails its check sum and is passed
// over. Reading keeps the last line of each key (a million lines read in
// 1.4 s under Wine); the file is written afresh, one line per key, when it
// holds more than twice the lines it needs.
#pragma once

#include "core/file_system.h"
#include "core/run_ownership.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace ps {

struct HistoryEntry {
    std::uint64_t size = 0;
    std::uint64_t hash = 0;
    std::uint64_t modified = 0; // last write, as a file time
    std::uint64_t settings = 0; // the cleaning and conversion settings it ran with
    friend bool operator==(const HistoryEntry&, const HistoryEntry&) = default;
};

// The history file of a user: <application data>\Plansweeper\History.log.
inline constexpr std::string_view kHistoryFileName = "History.log";

// One line of the file, and the entry a line holds (nullopt for a damaged one).
std::string HistoryLine(std::string_view key, const HistoryEntry& entry);
std::optional<std::pair<std::string, HistoryEntry>> ParseHistoryLine(std::string_view line);

class RunHistory {
public:
    RunHistory(FileSystem& files, RunOwnership& runs, std::string path)
        : files_(files), runs_(runs), path_(std::move(path)) {}

    // Reads the file (once); an absent file is an empty history.
    void load();
    // How a drawing stands now: its key (what the file system says the file
    // is) and its entry; nullopt when it cannot be read, or, onlyIfKnown,
    // when the history holds it at no such size and date.
    std::optional<std::pair<std::string, HistoryEntry>> now(std::string_view path, std::uint64_t settings,
                                                            bool onlyIfKnown) const;
    // The drawing is as the last OK run left it, with the same settings.
    bool unchanged(std::string_view path, std::uint64_t settings) const;
    // After an OK: what the drawing is now. False when it could not be written.
    bool record(std::string_view path, std::uint64_t settings);

private:
    FileSystem& files_;
    RunOwnership& runs_;
    std::string path_;
    std::unordered_map<std::string, HistoryEntry> entries_;
    std::size_t lines_ = 0;
    bool loaded_ = false;
};

} // namespace ps
