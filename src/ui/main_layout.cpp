#include "ui/main_layout.h"

#include <algorithm>

namespace ps {
namespace {

enum class Property { Left, Top, Width, Height };
enum class Growth { Width, Height };

struct ResizeRule {
    MainControl control;
    Property property;
    std::int32_t base;
    Growth growth;
};

// The list grows to the right and downwards; the preview, its label and the
// information frame move with the right edge and the frame grows downwards;
// the status line moves with the bottom edge and stretches with the width.
constexpr ResizeRule kResizeRules[] = {
    {MainControl::ListView1, Property::Height, 3500, Growth::Height},
    {MainControl::ListView1, Property::Width, 4812, Growth::Width},
    {MainControl::Preview, Property::Left, 5040, Growth::Width},
    {MainControl::Label2, Property::Left, 5040, Growth::Width},
    {MainControl::Frame1, Property::Left, 5040, Growth::Width},
    {MainControl::Frame1, Property::Height, 1932, Growth::Height},
    {MainControl::Status, Property::Top, 4220, Growth::Height},
    {MainControl::Status, Property::Width, 7300, Growth::Width},
};

std::int32_t& Field(TwipsRect& r, Property p) {
    switch (p) {
    case Property::Left:
        return r.left;
    case Property::Top:
        return r.top;
    case Property::Width:
        return r.width;
    case Property::Height:
        break;
    }
    return r.height;
}

} // namespace

MainLayout DesignLayout() {
    MainLayout l;
    auto set = [&](MainControl c, TwipsRect r) {
        l[static_cast<std::size_t>(c)] = r;
    };
    set(MainControl::Toolbar, {0, 0, 8100, 420});
    set(MainControl::Label1, {120, 480, 1572, 252});
    // The label is as tall as its text: at its designed 372 it would cover the preview's top edge.
    set(MainControl::Label2, {5040, 480, 1212, 240});
    set(MainControl::ListView1, {120, 720, 4812, 3564});
    set(MainControl::Preview, {5040, 720, 2412, 1452});
    set(MainControl::Frame1, {5040, 2280, 2412, 1932});
    set(MainControl::ProdName, {120, 240, 2150, 1932 - 240 - 120});
    set(MainControl::Status, {120, 4320, 7335, 255});
    set(MainControl::Picture2, {1920, 468, 2892, 150});
    return l;
}

MainLayout ResizedLayout(std::int32_t windowWidthTwips, std::int32_t windowHeightTwips) {
    MainLayout l = DesignLayout();
    const std::int32_t dW = std::max(windowWidthTwips, kMinWindowWidthTwips) - kMinWindowWidthTwips;
    const std::int32_t dH = std::max(windowHeightTwips, kMinWindowHeightTwips) - kMinWindowHeightTwips;
    for (const auto& rule : kResizeRules)
        Field(l[static_cast<std::size_t>(rule.control)], rule.property) =
            rule.base + (rule.growth == Growth::Width ? dW : dH);
    // The product label fills its frame.
    TwipsRect& label = l[static_cast<std::size_t>(MainControl::ProdName)];
    label.height = std::max(0, At(l, MainControl::Frame1).height - label.top - 120);
    // The toolbar spans the window.
    l[static_cast<std::size_t>(MainControl::Toolbar)].width = 8100 + dW;
    return l;
}

std::int32_t MinWindowHeightTwips(std::int32_t productLabelTextTwips) {
    const auto atMinimum = ResizedLayout(kMinWindowWidthTwips, kMinWindowHeightTwips);
    return kMinWindowHeightTwips +
           std::max(0, productLabelTextTwips - At(atMinimum, MainControl::ProdName).height);
}

std::int32_t TwipsToPixels(std::int32_t twips, std::int32_t dpi) {
    const std::int64_t scaled = static_cast<std::int64_t>(twips) * dpi;
    return static_cast<std::int32_t>((scaled + (scaled >= 0 ? 720 : -720)) / 1440);
}

std::int32_t PixelsToTwips(std::int32_t pixels, std::int32_t dpi) {
    return dpi <= 0 ? 0 : static_cast<std::int32_t>(static_cast<std::int64_t>(pixels) * 1440 / dpi);
}

ToolbarIconPlan ToolbarIconsAt(std::int32_t dpi) {
    const std::int32_t cell = std::max<std::int32_t>(16, (16 * dpi + 48) / 96);
    ToolbarIconPlan best{cell, 16, 1};
    for (std::int32_t base : {16, 24})
        for (std::int32_t scale = 1; base * scale <= cell; ++scale)
            if (base * scale >= best.base * best.scale) // a tie goes to the finer set
                best = {cell, base, scale};
    return best;
}

} // namespace ps
