#pragma once

#include <windows.h>

#include <msiquery.h>

#include <string>

// Appends one line per present summary property, in id order:
//   summary<TAB>id<TAB>i2|i4|string|filetime<TAB>value
// File times are UTC "YYYY-MM-DD HH:MM:SS", with ".fffffff" only when they carry a fraction.
// Returns ERROR_SUCCESS or the installer's error code.
UINT DumpSummary(MSIHANDLE database, std::string& dump);
