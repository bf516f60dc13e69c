#pragma once

#include <string>

// The command line after the program name, skipped the way the C runtime skips it for
// WinMain: a quoted name ends at the closing quote, an unquoted one at the first blank.
std::wstring CommandLineTail();
