#pragma once

// What the command line asks of the system, with a POSIX and a Windows half. Text is UTF-8
// on both.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kestrow::native {

// Lets the naming rules read white space in the names as the system's Kestrow.exe would.
void SetTextLocale();

// Why the folder cannot receive a package, in the system's words, if it cannot.
std::optional<std::string> OutputFolderFault(const std::filesystem::path& folder);

// Whether standard error is a terminal or console, where a progress line is wanted.
bool ErrorIsTerminal();

// A message on standard error; nothing is left to report a failure there to.
void WriteError(std::string_view text);

// Text on standard output, whole; why it could not be written, if it could not.
std::optional<std::string> WriteOutput(std::string_view text);

} // namespace kestrow::native
