#pragma once

// The installer's version resource, read from the file itself on any platform.

#include <filesystem>
#include <optional>
#include <string>

#include "version_resource.h"

namespace kestrow::native {

// Fills strings, or gives the reason there are none to read.
std::optional<std::string> ReadInstallerVersion(const std::filesystem::path& installer,
                                                identity::VersionStrings& strings);

} // namespace kestrow::native
