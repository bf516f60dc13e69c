#pragma once

// Labels that keep their whole text on screens of more dots per inch.

#include <windows.h>

namespace kestrow {

// Widens a one-line label whose text would be cut, as far as the window's right margin
// (the label's left one, mirrored). Fonts do not grow in step with the dots per inch, so a
// label that the template sizes to its text at 96 may be too short at 144.
void WidenToFitText(HWND label);

} // namespace kestrow
