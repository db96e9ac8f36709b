#include "script/string_helpers.h"

namespace ps {

std::string SF_replaceAllOnce(std::string_view haystack, std::string_view find,
                              std::string_view replacement) {
    std::string text(haystack);
    if (find.empty() || replacement == find)
        return text;
    std::size_t p = text.find(find);
    while (p != std::string::npos) {
        text.replace(p, find.size(), replacement);
        p = text.find(find, p + replacement.size());
    }
    return text;
}

bool SF_isNothing(std::string_view haystack) {
    return haystack.empty();
}

std::string LispPath(std::string_view path) {
    return SF_replaceAllOnce(path, "\\", "\\\\");
}

} // namespace ps
