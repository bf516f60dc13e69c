#pragma once

// kestrow inspect and kestrow extract: what a package holds, told or taken out.

#include <span>
#include <string>

namespace kestrow::native {

// Tells, for each package, whether it is a sound Kestrow package, its product, the installer
// inside and the signatures, for people or as JSON. 0 when every package is a sound Kestrow
// package, 1 when any is not or cannot be read.
int InspectPackages(std::span<const std::string> packages, bool json);

// Writes the installer inside the package to output, as a package is written: complete
// under its name, or not there at all. 0 done, 1 failed.
int ExtractInstaller(const std::string& package, const std::string& output);

} // namespace kestrow::native
