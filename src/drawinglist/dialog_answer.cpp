#include "drawinglist/dialog_answer.h"

namespace ps {

std::string StripDelimitedItem(std::string& text, char delimiter) {
    const auto cut = text.find(delimiter);
    const std::size_t n = cut == std::string::npos ? text.size() : cut + 1;
    std::string item = text.substr(0, n);
    text.erase(0, n);
    return item;
}

std::vector<std::string> FilesOfOpenDialogAnswer(std::string_view answer) {
    std::string rest(answer);
    std::vector<std::string> items;
    while (rest.size() > 3) {
        std::string item = StripDelimitedItem(rest, '\0');
        if (!item.empty() && item.back() == '\0')
            item.pop_back();
        if (item.empty())
            break;
        items.push_back(std::move(item));
    }
    if (items.size() <= 1)
        return items;
    // A drive's root comes back with its backslash: not doubled.
    std::string folder = items.front();
    if (folder.empty() || folder.back() != '\\')
        folder += '\\';
    std::vector<std::string> files;
    for (std::size_t i = 1; i < items.size(); ++i)
        files.push_back(folder + items[i]);
    return files;
}

} // namespace ps
