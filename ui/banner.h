#pragma once

// The banner across the top of the main and status windows, drawn for the screen it is on.

#include "framework/wnd.h"

namespace kestrow {

// Puts the banner drawn for the dots per inch of the picture control's window into it; the
// bitmap must live as long as the control.
void ShowBanner(CStatic& picture, CBitmap& bitmap);

} // namespace kestrow
