// The small facts about a drawing file that fill the list's cells. None of
// them raises: a failure gives false, 0 or empty text.
#pragma once

#include "core/file_system.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ps {

bool FileExists(const FileSystem& fs, std::string_view path);   // exists and is not a folder
bool FolderExists(const FileSystem& fs, std::string_view path); // exists and is a folder
bool IsReadOnly(const FileSystem& fs, std::string_view path);

// The byte length of a file a plain directory search finds: not a folder,
// not hidden, not system. nullopt when the search finds nothing else.
std::optional<std::uint64_t> PlainFileSize(const FileSystem& fs, std::string_view path);
std::optional<std::uint64_t> PlainFileSize(const DirEntry& entry);

// Whole kilobytes, halves to the even neighbour; 0 when a plain directory
// search finds nothing (missing, hidden or system file).
std::int64_t FileSizeKB(const FileSystem& fs, std::string_view path);
std::int64_t KilobytesHalfEven(std::uint64_t bytes);

std::string FileDateText(const FileSystem& fs, std::string_view path);
// The order of day, month and year in a short date text.
enum class DateOrder { YMD, DMY, MDY };

// False, leaving the output untouched, when the times cannot be read.
bool GetFileDates(const FileSystem& fs, std::string_view path, FileTimes& times);

// The path with "/" as "\\", a "\\?\\" or "\\?\\UNC\\" prefix taken off,
// empty parts and "." dropped and ".." resolved (never above the drive or
// share). A path without a drive or share is only cleaned.
std::string LexicalFullPath(std::string_view path);

// The drive or share a full path lies on ("C:\\", "\\\\server\\share\\"), upper-cased;
// empty for a path without one.
std::string PathRoot(std::string_view fullPath);

// Text after the last "." that follows the last "\" or ":"; empty when none.
std::string FileExtension(std::string_view path);
// whole = false: the file name without folder and extension;
// whole = true: the path with its extension cut off.
std::string FileBaseName(std::string_view path, bool whole);
// Text before the last "\", or up to and including the last ":" when that
// comes later; empty when neither occurs.
std::string FileFolder(std::string_view path);

} // namespace ps
