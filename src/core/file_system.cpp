#include "core/file_system.h"

namespace ps {

std::uint64_t HashBytes(std::string_view bytes, std::uint64_t hash) {
    for (unsigned char c : bytes) {
        hash ^= c;
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

} // namespace ps
