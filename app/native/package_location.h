#pragma once

// Where the native program puts the package: the same file name that Kestrow.exe gives it,
// directly inside the folder the user named, whatever the names hold.

#include <filesystem>
#include <optional>
#include <string>

namespace kestrow::native {

enum class NameFault {
    None,
    NotAName,    // blank, or ".msi" alone, as the window refuses it
    HoldsFolder, // a separator: a name that would reach into another folder
};

// The installer's title plus ".msi", as the console mode names it, or, with a package name,
// the name as the window's Package Name field turns it into a file name. Text is UTF-8,
// decoded strictly: bytes that are not UTF-8 stay as they are and never become a separator.
NameFault PackageLocation(const std::string& installer, const std::string& outputFolder,
                          const std::optional<std::string>& packageName,
                          std::filesystem::path& package);

} // namespace kestrow::native
