#include "drawinglist/list_file.h"

#include <vector>

namespace ps {

std::string ListLine(const DrawingRow& row) {
    std::string line;
    for (std::size_t i = 0; i < kColumnCount; ++i) {
        if (i > 0)
            line += ';';
        line += row.cells[i];
    }
    return line;
}

std::string ListText(const DrawingList& list) {
    std::string text;
    for (const auto& row : list)
        text += ListLine(row) + "\r\n";
    return text;
}

ImportResult ImportListText(DrawingList& list, std::string_view text) {
    ImportResult result;
    std::size_t pos = 0;
    while (pos < text.size()) {
        auto end = text.find('\r', pos);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (pos < text.size() && text[pos] == '\n')
            ++pos;

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
        // The row exists as soon as its first field does; a short line keeps
        // what it had and ends the import.
        if (fields.empty()) {
            result.error = "Error in ImportListStatus: Subscript out of range";
            return result;
        }
        DrawingRow row;
        for (std::size_t i = 0; i < kColumnCount && i < fields.size(); ++i)
            row.cells[i] = std::string(fields[i]);
        list.append(std::move(row));
        ++result.added;
        if (fields.size() < kColumnCount) {
            result.error = "Error in ImportListStatus: Subscript out of range";
            return result;
        }
    }
    return result;
}

std::optional<std::string> ListFileBytes(const DrawingList& list, const AnsiCodec& codec) {
    return codec.toAnsi(ListText(list));
}

std::optional<std::string> WriteListFile(FileSystem& files, const AnsiCodec& codec, std::string_view path,
                                         const DrawingList& list) {
    const auto bytes = ListFileBytes(list, codec);
    if (!bytes)
        return "Error in ExportListStatus: a name in the list has characters the file cannot hold";
    if (!files.replaceFileAtomically(path, *bytes))
        return "Error in ExportListStatus: cannot write " + std::string(path);
    return std::nullopt;
}

ImportResult ReadListFile(const FileSystem& files, const AnsiCodec& codec, std::string_view path,
                          DrawingList& list) {
    const auto bytes = files.readFile(path);
    if (!bytes) {
        ImportResult result;
        result.error = "Error in ImportListStatus: cannot read " + std::string(path);
        return result;
    }
    return ImportListText(list, codec.fromAnsi(*bytes));
}

} // namespace ps
