// Where the program and the user's files are: the program's folder, the
// temporary folder and absolute paths, as UTF-8.
#pragma once

#include <string>

namespace ps {

// The folder of the running program, without a trailing backslash.
std::string ProgramFolder();
// The user's temporary folder with its trailing backslash; empty when unknown.
std::string TempFolder();
// An absolute path for a name given relative to the current folder.
std::string FullPathOf(const std::string& path);

} // namespace ps
