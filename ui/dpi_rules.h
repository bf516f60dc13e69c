#pragma once

// Which pictures suit a screen of so many dots per inch (96 at 100 %).

#include "resource_ids.h"

namespace kestrow {

// The banner drawn for the largest scale that the screen reaches (100 %, 150 % or 200 %): a
// picture control shows its bitmap as it is, so a larger one would be cut by the window and a
// smaller one leave a gap beside it.
constexpr unsigned BannerForDpi(unsigned dpi) {
    return dpi >= 192 ? IDB_BANNER_200 : dpi >= 144 ? IDB_BANNER_150 : IDB_BANNER;
}

} // namespace kestrow
