// Where the program and the user's files are: the program's folder, the
// temporary folder and absolute paths, as UTF-8.
#pragma once

#include <string>

namespace ps {

// The folder of the running program, without a trailing backslash.
std::string ProgramFolder();
// The user's temporary folder with its trailing backslash; empty when unknown.
std::string TempFolder();
// The window's working list, kept while it runs so that a crash, a kill or
// a power cut loses none of it: "Working list.log" in the program's folder
// of the user's local application data (the temporary folder when unknown).
std::string WorkingListPath();
// The user's own folder of the program (%LOCALAPPDATA%\Plansweeper), made when missing.
std::string ApplicationDataFolder();
// A new folder for one run's transcripts, named after the run's start
// ("YYYY-MM-DD hh.mm.ss", a number added when taken) in the Transcripts
// folder of ApplicationDataFolder().
std::string NewTranscriptsFolder();
// The user's Documents folder; empty when unknown.
std::string DocumentsFolder();
// An absolute path for a name given relative to the current folder.
std::string FullPathOf(const std::string& path);

} // namespace ps
