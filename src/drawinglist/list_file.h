// The list file: the drawing list with its statuses as plain text, one line
// per row, the eight cells joined by ";", CR LF after every line, in the
// system's ANSI code page, with no quoting.
#pragma once

#include "core/ansi_codec.h"
#include "core/file_system.h"
#include "drawinglist/drawing_list.h"

#include <optional>
#include <string>
#include <string_view>

namespace ps {

std::string ListLine(const DrawingRow& row);
// Every row's line, CR LF after each (UTF-8).
std::string ListText(const DrawingList& list);

struct ImportResult {
    std::size_t added = 0;
    // "Error in ImportListStatus: ..." when a line was short or empty, or the
    // file could not be read; the rows added before stay.
    std::optional<std::string> error;
};

// Appends the rows of the text (UTF-8). A line ends at a carriage return (a
// following line feed is dropped); fields after the eighth are ignored.
ImportResult ImportListText(DrawingList& list, std::string_view text);

// The list as the file's bytes; nullopt when a cell holds a character the
// code page cannot carry.
std::optional<std::string> ListFileBytes(const DrawingList& list, const AnsiCodec& codec);
// Writes the list so that the file is never half-written. An error message
// ("Error in ExportListStatus: ...") when it could not.
std::optional<std::string> WriteListFile(FileSystem& files, const AnsiCodec& codec, std::string_view path,
                                         const DrawingList& list);
ImportResult ReadListFile(const FileSystem& files, const AnsiCodec& codec, std::string_view path,
                          DrawingList& list);

} // namespace ps
