#pragma once

#include <string>
#include <string_view>

namespace ps {

// Every occurrence of find replaced, left to right, never rescanning text
// just inserted. An empty find, or a replacement equal to find, changes nothing.
std::string SF_replaceAllOnce(std::string_view haystack, std::string_view find, std::string_view replacement);

bool SF_isNothing(std::string_view haystack);

// A path made usable inside an AutoLISP string: every backslash doubled.
std::string LispPath(std::string_view path);

} // namespace ps
