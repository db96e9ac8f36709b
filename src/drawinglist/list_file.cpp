#include "drawinglist/list_file.h"

#include "core/strings.h"
#include "drawinglist/status.h"

#include <vector>

namespace ps {

std::string ListLine(const DrawingRow& row) {
    std::string line;
    for (std::size_t i = 0; i < kColumnCount; ++i) {
        if (i > 0)
            line += ';';
        // A row in progress is still to do for whoever reads the file.
        if (i != kColStatus || row.cells[i] != status::kProcessing)
            line += row.cells[i];
    }
    return line;
}

bool RowFitsListFile(const DrawingRow& row) {
    for (const auto& cell : row.cells)
        if (cell.find(';') != std::string::npos || cell.find_first_of("\r\n") != std::string::npos)
            return false;
    return true;
}

DrawingRow RowStandingFor(const DrawingRow& row) {
    const std::string& folder = row.cells[kColPath];
    DrawingRow stand = MakeFolderRow(folder.find_first_of(";\r\n") == std::string::npos ? folder : "");
    stand.cells[kColStatus] = std::string(status::kNameHoldsSemicolon);
    return stand;
}

std::string ListText(const DrawingList& list, MessagePump* pump) {
    std::string text;
    std::size_t count = 0;
    for (const auto& row : list) {
        if (pump != nullptr && ++count % 1024 == 0)
            pump->pumpOnce();
        text += ListLine(RowFitsListFile(row) ? row : RowStandingFor(row)) + "\r\n";
    }
    return text;
}

namespace {

std::string LineError(std::size_t number, std::string_view what) {
    return "Error in ImportListStatus: line " + std::to_string(number) + " " + std::string(what);
}

} // namespace

ImportResult ImportListText(DrawingList& list, std::string_view text, MessagePump* pump) {
    ImportResult result;
    if (text.starts_with(kUtf8Bom))
        text.remove_prefix(kUtf8Bom.size());
    std::size_t pos = 0;
    for (std::size_t number = 1; pos < text.size(); ++number) {
        if (pump != nullptr && number % 256 == 0)
            pump->pumpOnce();
        auto end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = text.substr(pos, end - pos);
        pos = end;
        if (pos < text.size() && text[pos] == '\r')
            ++pos;
        if (pos < text.size() && text[pos] == '\n')
            ++pos;

        if (HasControlCharacter(line)) {
            // A NUL would cut the name in the middle wherever it is passed on.
            result.error = LineError(number, "holds a control character; it was not read.");
            return result;
        }
        std::vector<std::string_view> fields;
        if (!line.empty()) {
            std::size_t start = 0;
            while (true) {
                const auto cut = line.find(';', start);
                fields.push_back(line.substr(start, cut == std::string_view::npos ? cut : cut - start));
                if (cut == std::string_view::npos)
                    break;
                start = cut + 1;
            }
        }
        if (fields.empty()) {
            result.error = LineError(number, "is empty; every line holds one row of eight fields.");
            return result;
        }
        if (fields.size() > kColumnCount) {
            // A name holding ";" cannot be told apart from the fields: the row is not guessed at.
            result.error = LineError(number, "has " + std::to_string(fields.size()) +
                                                 " fields, more than the eight of a row; it was not read.");
            return result;
        }
        // The row exists as soon as its first field does; a short line keeps
        // what it had and ends the import.
        DrawingRow row;
        for (std::size_t i = 0; i < fields.size(); ++i)
            row.cells[i] = std::string(fields[i]);
        list.append(std::move(row));
        ++result.added;
        if (fields.size() < kColumnCount) {
            result.error = LineError(number, "has " + std::to_string(fields.size()) +
                                                 " fields, fewer than the eight of a row.");
            return result;
        }
    }
    return result;
}

std::string ListFileBytes(const DrawingList& list, const AnsiCodec& codec, MessagePump* pump) {
    const std::string text = ListText(list, pump);
    if (auto ansi = codec.toAnsi(text))
        return std::move(*ansi);
    return std::string(kUtf8Bom) + text;
}

std::string ListWriteError(std::string_view path) {
    return "Error in ExportListStatus: cannot write " + std::string(path);
}

std::optional<std::string> WriteListFile(FileSystem& files, const AnsiCodec& codec, std::string_view path,
                                         const DrawingList& list, MessagePump* pump) {
    if (!files.replaceFileAtomically(path, ListFileBytes(list, codec, pump)))
        return ListWriteError(path);
    return std::nullopt;
}

ImportResult ReadListFile(const FileSystem& files, const AnsiCodec& codec, std::string_view path,
                          DrawingList& list, MessagePump* pump) {
    const auto bytes = files.readFile(path);
    if (!bytes) {
        ImportResult result;
        result.error = "Error in ImportListStatus: cannot read " + std::string(path);
        return result;
    }
    if (std::string_view(*bytes).starts_with(kUtf8Bom))
        return ImportListText(list, *bytes, pump);
    return ImportListText(list, codec.fromAnsi(*bytes), pump);
}

} // namespace ps
