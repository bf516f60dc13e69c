#pragma once

#include "framework/wnd.h"

namespace kestrow {

// Shows in a picture control the banner drawn for its window's dots per inch. The control
// does not own the bitmap: the caller keeps it for as long as the control shows it.
void ShowBanner(const CStatic& picture, CBitmap& bitmap);

} // namespace kestrow
