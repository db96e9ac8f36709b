#include "run/progress.h"

#include <cmath>

namespace ps {

std::int32_t ProgressBarWidth(std::int64_t position, std::int64_t max) {
    if (max <= 0)
        return 0;
    const double exact = static_cast<double>(position) / static_cast<double>(max) * 239.0;
    return static_cast<std::int32_t>(std::nearbyint(exact)); // the default rounding mode: halves to even
}

} // namespace ps
