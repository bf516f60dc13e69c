#pragma once

#include "framework/wnd.h"

namespace kestrow {

// Makes the picture control at the top of its window show the banner across the window's
// width, as high as the template makes it, at the window's font and dots per inch. The control
// does not own the bitmap: the caller keeps it for as long as the control shows it.
void ShowBanner(const CStatic& picture, CBitmap& bitmap);

} // namespace kestrow
