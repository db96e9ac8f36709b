// Where the main window's controls go, in twips: the designed places, and the
// resize rules as a table (control, property, base value plus the width or
// height the window has grown beyond its minimum). Pure: the window converts
// twips to pixels with the real DPI.
#pragma once

#include <array>
#include <cstdint>

namespace ps {

enum class MainControl {
    Toolbar,
    Label1,
    Label2,
    ListView1,
    Preview,
    Frame1,
    ProdName,
    Status,
    Picture2,
    Count
};

struct TwipsRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    friend bool operator==(const TwipsRect&, const TwipsRect&) = default;
};

using MainLayout = std::array<TwipsRect, static_cast<std::size_t>(MainControl::Count)>;

// The smallest window, outer size in twips.
inline constexpr std::int32_t kMinWindowWidthTwips = 7656;
inline constexpr std::int32_t kMinWindowHeightTwips = 5250;

// The smallest window height at which the product label shows text of that
// height in full: the frame grows with the window, so the window grows by
// what the label lacks at the minimum (fonts differ from the design's).
std::int32_t MinWindowHeightTwips(std::int32_t productLabelTextTwips);

// The designed places (the product label relative to its frame).
MainLayout DesignLayout();

// The places for a window of this outer size (twips): every rule of the
// resize table applied to the designed places. A size below the minimum
// (a minimised window) gives the places at the minimum.
MainLayout ResizedLayout(std::int32_t windowWidthTwips, std::int32_t windowHeightTwips);

inline const TwipsRect& At(const MainLayout& layout, MainControl c) {
    return layout[static_cast<std::size_t>(c)];
}

// Twips to pixels at a DPI, rounded to the nearest pixel.
std::int32_t TwipsToPixels(std::int32_t twips, std::int32_t dpi);
std::int32_t PixelsToTwips(std::int32_t pixels, std::int32_t dpi);

// The toolbar's pictures at a DPI: a cell of 16 pixels at 100 %, scaled, and
// the system's picture set (16 or 24 pixels) enlarged by a whole number of
// times to the largest size that fits the cell, centred in it. Whole-number
// enlargement keeps every picture crisp: 100 % and 150 % show the sets as
// they are, 125 % the 16-pixel set in a 20-pixel cell, 200 % the 16-pixel set
// doubled.
struct ToolbarIconPlan {
    std::int32_t cell;
    std::int32_t base;  // 16 or 24: the system set the pictures come from
    std::int32_t scale; // 1, 2, ...
};
ToolbarIconPlan ToolbarIconsAt(std::int32_t dpi);

} // namespace ps
