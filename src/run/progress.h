// The run's progress meter: a bar that grows with the row index.
#pragma once

#include <cstdint>

namespace ps {

// The bar's right edge in pixels for a position out of max: position / max
// of 239, rounded to the nearest whole number with halves to even. 0 for an
// empty list.
std::int32_t ProgressBarWidth(std::int64_t position, std::int64_t max);
// Bars narrower than this are not drawn.
inline constexpr std::int32_t kProgressMinWidth = 6;

class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual void start(std::int64_t max) = 0;
    virtual void position(std::int64_t position) = 0;
    virtual void end() = 0;
};

class NoProgress final : public ProgressSink {
public:
    void start(std::int64_t) override {}
    void position(std::int64_t) override {}
    void end() override {}
};

} // namespace ps
