// The list file: the drawing list with its statuses as plain text, one line
// per row, the eight cells joined by ";", CR LF after every line, in the
// system's ANSI code page, with no quoting. A list with a name the code page
// cannot carry is written as UTF-8 after a byte-order mark instead; the
// reader takes both, and lines ended by CR LF, CR or LF.
#pragma once

#include "core/ansi_codec.h"
#include "core/file_system.h"
#include "core/system_ports.h"
#include "drawinglist/drawing_list.h"

#include <optional>
#include <string>
#include <string_view>

namespace ps {

inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string ListLine(const DrawingRow& row);
// A row whose cells hold ";" (or a line break) has no line the reader would
// read back as that row (such drawings are refused when they enter the list).
bool RowFitsListFile(const DrawingRow& row);
// What the file keeps of a row that does not fit, so that the list still
// fails when read again: a folder row of its folder (or of none, when the
// folder's name does not fit either) with the row's refusal. Reset, it
// finds the drawing again, and the refusal with it.
DrawingRow RowStandingFor(const DrawingRow& row);
// The line of every row (of its stand-in when it does not fit), CR LF after
// each (UTF-8); the pump as for the import.
std::string ListText(const DrawingList& list, MessagePump* pump = nullptr);

struct ImportResult {
    std::size_t added = 0;
    // "Error in ImportListStatus: line <n> ..." when a line was empty, short
    // or long, or "... cannot read <path>"; the rows added before stay.
    std::optional<std::string> error;
};

// Appends the rows of the text (UTF-8, a byte-order mark at its start is
// dropped). A line with more than eight fields ends the import unread. A
// window passes its pump: it is called between lines now and then, so that a
// long list does not freeze the window.
ImportResult ImportListText(DrawingList& list, std::string_view text, MessagePump* pump = nullptr);

// The list as the file's bytes: ANSI when every name fits, else UTF-8 with a
// byte-order mark.
std::string ListFileBytes(const DrawingList& list, const AnsiCodec& codec, MessagePump* pump = nullptr);
// The message for a list file that could not be written.
std::string ListWriteError(std::string_view path);
// Writes the list so that the file is never half-written. An error message
// ("Error in ExportListStatus: ...") when it could not.
std::optional<std::string> WriteListFile(FileSystem& files, const AnsiCodec& codec, std::string_view path,
                                         const DrawingList& list, MessagePump* pump = nullptr);
ImportResult ReadListFile(const FileSystem& files, const AnsiCodec& codec, std::string_view path,
                          DrawingList& list, MessagePump* pump = nullptr);

} // namespace ps
