#pragma once

// Page geometry and the hand-over of text to a rich edit control, kept free of Windows so that
// the arithmetic runs and is tested on the build host.

#include <cstddef>
#include <string_view>

namespace kestrow::print {

// A rectangle in twips (1/1440 inch), the unit of a rich edit control's page formatting.
struct TwipRect {
    long left = 0;
    long top = 0;
    long right = 0;
    long bottom = 0;
};

// What a printer reports about its page: the printable area in device pixels and its resolution.
struct PrintableArea {
    int widthPixels = 0;
    int heightPixels = 0;
    int pixelsPerInchX = 0;
    int pixelsPerInchY = 0;
};

struct PageFrames {
    TwipRect page; // the whole printable area
    TwipRect text; // where the text goes: the page less a margin on every side
};

inline constexpr long kTwipsPerInch = 1440;
inline constexpr long kMarginTwips = kTwipsPerInch / 2;

// False when the device reports no resolution or a page too small to hold the margins, as a
// driver in a broken state can.
bool LayOutPage(const PrintableArea& area, PageFrames& frames);

// Hands out successive pieces of a text, the way a rich edit control's stream-in reads it.
class TextSource {
public:
    explicit TextSource(std::string_view text) : rest_(text) {}
    std::size_t Read(char* buffer, std::size_t capacity);
    bool Exhausted() const { return rest_.empty(); }

private:
    std::string_view rest_;
};

} // namespace kestrow::print
