#pragma once

#include <cstdint>

// The generator reports failures with the Win32 / Windows Installer error values the rest of
// the project uses, so a build log reads the same whichever side failed.
using GeneratorResult = std::uint32_t;

inline constexpr GeneratorResult kGeneratorSuccess = 0;
inline constexpr GeneratorResult kGeneratorFileNotFound = 2;      // ERROR_FILE_NOT_FOUND
inline constexpr GeneratorResult kGeneratorInvalidData = 13;      // ERROR_INVALID_DATA
inline constexpr GeneratorResult kGeneratorInvalidParameter = 87; // ERROR_INVALID_PARAMETER
inline constexpr GeneratorResult kGeneratorOpenFailed = 110;      // ERROR_OPEN_FAILED
inline constexpr GeneratorResult kGeneratorFunctionFailed = 1627; // ERROR_FUNCTION_FAILED
