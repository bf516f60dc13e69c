#pragma once

#include <cstdint>

namespace kestrow {

// Writes the embedded template database to packagePath and stores the installer in its
// Binary row "Corvane". Returns 0 on success, 1 when the template cannot be written, or
// the installer database service's error code for the step that failed. An installer
// that is the package file itself is never deleted: that too returns 1.
std::uint32_t BuildPackage(const wchar_t* installerPath, const wchar_t* packagePath);

} // namespace kestrow
