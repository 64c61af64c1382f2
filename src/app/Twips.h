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
inline float toSingle(double v) { return static_cast<float>(v); }

inline constexpr double kTwipsPerInch = 1440.0;

inline int twipsToPixels(double twips, double dpi) { return static_cast<int>(std::lround(twips * dpi / kTwipsPerInch)); }
inline double pixelsToTwips(double pixels, double dpi) { return pixels * kTwipsPerInch / dpi; }

// Top-left corner that centres a window of size `own` over a window at `main` (all twips, no rounding).
struct TwipsPoint {
    double left = 0;
    double top = 0;
};
inline TwipsPoint centreOver(double mainLeft, double mainTop, double mainWidth, double mainHeight, double ownWidth,
                             double ownHeight) {
    return {mainLeft + (mainWidth - ownWidth) / 2.0, mainTop + (mainHeight - ownHeight) / 2.0};
}

} // namespace zemo
