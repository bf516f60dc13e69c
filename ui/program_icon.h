#pragma once

#include "win32_handle.h"

namespace kestrow {

// The program's icon group, in the system's default icon size, for a window's caption and
// task switcher; none when the module has no such icon.
Icon LoadProgramIcon();

} // namespace kestrow
