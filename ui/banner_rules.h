#pragma once

// Which drawing of the banner across the top of the windows suits a screen.

namespace kestrow {

// The bitmap drawn for the largest scale that a window of so many dots per inch reaches:
// 100 % (96), 150 % (144) or 200 % (192). A picture control shows its bitmap at the bitmap's
// own size, so a larger drawing would be cut by the window's edge, and a smaller one leaves a
// bare strip beside it.
unsigned BannerForDpi(unsigned dpi);

} // namespace kestrow
