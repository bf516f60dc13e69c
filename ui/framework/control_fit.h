#pragma once

#include <windows.h>

namespace kestrow {

// Gives each static text, button and check box of a dialog whose text would be cut the room
// it needs, as far as the dialog has room to spare (see FittedBox). Run once the dialog has
// set its texts and shown or hidden its controls.
void FitControlsToTexts(HWND dialog);

} // namespace kestrow
