#pragma once

#include "framework/wnd.h"

namespace kestrow {

// Fills the part of a picture control that its window shows with the banner, drawn for the
// window's font and dots per inch. The control does not own the bitmap: the caller keeps it
// for as long as the control shows it.
void ShowBanner(const CStatic& picture, CBitmap& bitmap);

} // namespace kestrow
