// libFuzzer target: the thumbnail reader on arbitrary files. Whatever it
// accepts must be paintable: sizes within bounds and buffers as long as the
// headers say.
#include "preview/thumbnail.h"

#include <algorithm>

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    for (bool black : {true, false}) {
        const ps::ImageArea area = ps::ReadImageArea(file, black);
        for (const auto& p : area.pictures) {
            if (p.code == ps::kEntryBitmap) {
                const auto& d = p.dib;
                const std::int64_t stride = (static_cast<std::int64_t>(d.width) * d.bitCount + 31) / 32 * 4;
                if (d.width <= 0 || d.width > ps::kMaxThumbnailSide || d.info.size() < 40 ||
                    static_cast<std::int64_t>(d.pixels.size()) < stride * std::llabs(d.height) ||
                    d.pixels.size() > size || d.info.size() > size)
                    __builtin_trap();
            } else if (p.png.bytes.size() > size || p.png.width <= 0) {
                __builtin_trap();
            }
        }
    }
    // The extent a reader asks for never exceeds the file, and a head of that
    // length asks for no less.
    const std::string_view all(reinterpret_cast<const char*>(data), size);
    const auto want = ps::ImageAreaExtent(all.substr(0, std::min<std::size_t>(size, 64)), size);
    if (want > size || ps::ImageAreaExtent(all.substr(0, want), size) < std::min<std::uint64_t>(want, 17))
        __builtin_trap();
    return 0;
}
