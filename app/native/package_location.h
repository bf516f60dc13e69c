#pragma once

// Where the native program puts the package: the same file name that Kestrow.exe gives it,
// in the folder the user named.

#include <filesystem>
#include <optional>
#include <string>

namespace kestrow::native {

// The installer's title plus ".msi", as the console mode names it, or, with a package name,
// the name as the window's Package Name field turns it into a file name. Text is UTF-8.
// Returns false for a name that the window refuses (blank, or ".msi" alone).
bool PackageLocation(const std::string& installer, const std::string& outputFolder,
                     const std::optional<std::string>& packageName, std::filesystem::path& package);

} // namespace kestrow::native
