#pragma once

#include <windows.h>

#include <string>

namespace kestrow {

// The system's own description of an error code, without the line end it comes with; the
// code's number when the system has no text for it.
std::wstring SystemErrorText(DWORD error);

} // namespace kestrow
