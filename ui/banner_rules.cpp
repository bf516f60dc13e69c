#include "banner_rules.h"

namespace kestrow {

namespace {

bool Covers(PixelSize picture, PixelSize strip) {
    return picture.width >= strip.width && picture.height >= strip.height;
}

// Overhangs the strip by at most a thirty-second of each side.
bool NearlyFits(PixelSize picture, PixelSize strip) {
    return (picture.width - strip.width) * 32 <= strip.width &&
           (picture.height - strip.height) * 32 <= strip.height;
}

// numerator / denominator, rounded up, for positive sizes.
int DivideRoundingUp(long long numerator, long long denominator) {
    return static_cast<int>((numerator + denominator - 1) / denominator);
}

} // namespace

std::size_t PickBannerDrawing(std::span<const PixelSize> drawings, PixelSize strip) {
    for (std::size_t index = 0; index < drawings.size(); ++index) {
        if (Covers(drawings[index], strip)) {
            return index;
        }
    }
    return drawings.empty() ? 0 : drawings.size() - 1;
}

PixelSize CoverSize(PixelSize picture, PixelSize strip) {
    if (picture.width <= 0 || picture.height <= 0 || strip.width <= 0 || strip.height <= 0) {
        return picture;
    }
    if (Covers(picture, strip) && NearlyFits(picture, strip)) {
        return picture;
    }
    // Compares the two scales, strip / picture, across both sides without rounding.
    const long long byWidth = static_cast<long long>(strip.width) * picture.height;
    const long long byHeight = static_cast<long long>(strip.height) * picture.width;
    if (byWidth >= byHeight) {
        return {strip.width, DivideRoundingUp(byWidth, picture.width)};
    }
    return {DivideRoundingUp(byHeight, picture.height), strip.height};
}

} // namespace kestrow
