#pragma once

#include <cmath>

namespace zemo {

// A control's place on its window in twips (1/1440 inch). Single precision, as the layouts round to it.
struct TwipsRect {
    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;
    bool operator==(const TwipsRect&) const = default;
};

// Window sizes remembered between layout passes. 32-bit: a maximised window on a large screen is
// wider than 32767 twips.
struct TwipsSize {
    int width = 0;
    int height = 0;
    bool operator==(const TwipsSize&) const = default;
};

// Layout arithmetic runs in double and is rounded to single precision before it is applied.
inline float toSingle(double v) {
    return static_cast<float>(v);
}

// Moves or stretches one coordinate by a layout delta, rounded to single precision.
inline void shiftTwips(float& value, double delta) {
    value = toSingle(static_cast<double>(value) + delta);
}

// One resize pass of a sizable window: the outer size it is laid out for (the current one raised to
// its minimum) and how far that is from the size remembered at the end of the previous pass.
struct ResizeDelta {
    TwipsSize enforced;
    double dW = 0;
    double dH = 0;
};
inline ResizeDelta resizeDelta(TwipsSize remembered, TwipsSize current, TwipsSize minimum) {
    const TwipsSize enforced{current.width < minimum.width ? minimum.width : current.width,
                             current.height < minimum.height ? minimum.height : current.height};
    return {enforced, static_cast<double>(enforced.width) - remembered.width,
            static_cast<double>(enforced.height) - remembered.height};
}

inline constexpr double kTwipsPerInch = 1440.0;

inline int twipsToPixels(double twips, double dpi) {
    return static_cast<int>(std::lround(twips * dpi / kTwipsPerInch));
}
inline double pixelsToTwips(double pixels, double dpi) {
    return pixels * kTwipsPerInch / dpi;
}

// Top-left corner that centres a window of size `own` over a window at `main` (all twips, no rounding).
struct TwipsPoint {
    double left = 0;
    double top = 0;
};
inline TwipsPoint centreOver(double mainLeft, double mainTop, double mainWidth, double mainHeight,
                             double ownWidth, double ownHeight) {
    return {mainLeft + (mainWidth - ownWidth) / 2.0, mainTop + (mainHeight - ownHeight) / 2.0};
}

} // namespace zemo
