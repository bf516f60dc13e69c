#pragma once

#include <cstdint>

namespace kestrow {

// Writes the embedded template database to packagePath and stores the installer in its
// Binary row "Corvane". Returns 0 on success, 1 when the template cannot be written, or
// the installer database service's error code for the step that failed.
std::uint32_t BuildPackage(const wchar_t* installerPath, const wchar_t* packagePath);

} // namespace kestrow
