#pragma once

// How the banner across the top of the windows fills its strip at any font and scale.

#include <span>

namespace kestrow {

struct PixelSize {
    int width = 0;
    int height = 0;

    bool operator==(const PixelSize&) const = default;
};

// Which of the banner's drawings, ordered from the smallest, to scale into a strip: the
// smallest that covers it, so the picture is only ever made smaller and stays sharp, or the
// largest when none does. The strip follows the dialog font as well as the dots per inch, so
// no drawing has its size exactly.
std::size_t PickBannerDrawing(std::span<const PixelSize> drawings, PixelSize strip);

// The size to draw a picture at so that it covers the whole strip in its own proportions;
// whatever passes the strip's right or bottom edge is cut. A picture that already covers the
// strip and overhangs it by at most a thirty-second of each side keeps its own size: cutting a
// few pixels keeps it sharp, where scaling it by a hair would blur all of it.
PixelSize CoverSize(PixelSize picture, PixelSize strip);

} // namespace kestrow
