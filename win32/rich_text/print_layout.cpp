#include "print_layout.h"

#include <algorithm>

namespace kestrow::print {

namespace {

long PixelsToTwips(int pixels, int pixelsPerInch) {
    return static_cast<long>(static_cast<long long>(pixels) * kTwipsPerInch / pixelsPerInch);
}

} // namespace

bool LayOutPage(const PrintableArea& area, PageFrames& frames) {
    if (area.pixelsPerInchX <= 0 || area.pixelsPerInchY <= 0) {
        return false;
    }
    const long width = PixelsToTwips(area.widthPixels, area.pixelsPerInchX);
    const long height = PixelsToTwips(area.heightPixels, area.pixelsPerInchY);
    if (width <= 2 * kMarginTwips || height <= 2 * kMarginTwips) {
        return false;
    }
    frames.page = {0, 0, width, height};
    frames.text = {kMarginTwips, kMarginTwips, width - kMarginTwips, height - kMarginTwips};
    return true;
}

std::size_t TextSource::Read(char* buffer, std::size_t capacity) {
    const std::size_t count = std::min(capacity, rest_.size());
    std::copy_n(rest_.data(), count, buffer);
    rest_.remove_prefix(count);
    return count;
}

} // namespace kestrow::print
