#pragma once

// How a package is named, shared by the window, the console mode and the native command
// line: the installer's title, and the window's Package Name field turned into a file name.
// Wide text, no operating system.

#include <string>
#include <string_view>

namespace kestrow {

// A file's name without the part from its last dot on: "agent.x64.exe" gives "agent.x64".
std::wstring FileTitle(std::wstring_view fileName);

// A copy of text without the leading and trailing characters that iswspace accepts.
std::wstring TrimWhiteSpace(const std::wstring& text);

// Whether the name field names a package: not blank, and more than ".msi" alone.
bool IsValidPackageName(const std::wstring& packageNameText);

// The package's file name from the name field: ".msi" appended unless the text holds it
// anywhere, then trimmed.
std::wstring PackageFileName(const std::wstring& packageNameText);

// Whether text holds a folder separator of either platform, or the colon of a Windows drive
// ("C:x") or stream ("x:y"), so that as a file name it would reach past its folder.
bool HoldsPathSeparator(std::wstring_view text);

} // namespace kestrow
