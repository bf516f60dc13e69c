#pragma once

#include <windows.h>

namespace kestrow {

// The dots per inch that a window is drawn for (96 at 100 %): its monitor's where the system
// tells each window apart (Windows 10 and later), the screen's otherwise.
unsigned WindowDpi(HWND window);

} // namespace kestrow
