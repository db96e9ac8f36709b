// The open-file dialog's answer with multiple selection: one full path, or a
// folder followed by file names, each text ended by a null character.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ps {

// The text up to and including the first delimiter; it is taken off text.
// Without a delimiter the whole text is taken.
std::string StripDelimitedItem(std::string& text, char delimiter);

// The chosen files' full paths in the dialog's order. Cutting stops when
// three characters or fewer remain.
std::vector<std::string> FilesOfOpenDialogAnswer(std::string_view answer);

} // namespace ps
