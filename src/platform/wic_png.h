// Thumbnails made small for a report: the Windows imaging component decodes
// a PNG, scales it down to fit a box and encodes it again as a compressed PNG.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

struct IWICImagingFactory;

namespace ps {

class PngCompactor {
public:
    PngCompactor();
    ~PngCompactor();
    PngCompactor(const PngCompactor&) = delete;
    PngCompactor& operator=(const PngCompactor&) = delete;

    // The picture scaled to fit maxWidth by maxHeight (never enlarged) as a
    // compressed PNG; nullopt when the imaging component cannot read or
    // write it.
    std::optional<std::string> compact(std::string_view png, unsigned maxWidth, unsigned maxHeight);
    // compact() to mostSide by mostSide with a compactor of its own, for
    // one worker thread.
    static std::function<std::optional<std::string>(std::string_view)> threadShrink(unsigned mostSide) {
        auto own = std::make_shared<PngCompactor>();
        return [own, mostSide](std::string_view png) {
            return own->compact(png, mostSide, mostSide);
        };
    }
    // How many threads make the report's pictures: one per processor.
    static unsigned reportThreads();

private:
    bool comStarted_ = false;
    IWICImagingFactory* factory_ = nullptr;
};

} // namespace ps
