#pragma once

// The rules of the console mode that need no operating system: which arguments are
// accepted and where the package goes.

#include <string>
#include <string_view>
#include <vector>

namespace kestrow {

// "/i" <installer> "/o" <folder>, switches in either case, neither path empty.
bool AreConversionArguments(const std::vector<std::wstring>& arguments);

// The path of a file that a search for pattern found: the pattern's folder part (up to its
// last separator, or a drive such as "C:") followed by the found name, so that a pattern
// with wildcards names the very file it matched.
std::wstring FoundFilePath(std::wstring_view pattern, std::wstring_view foundName);

// The folder exactly as given, one backslash, the title and ".msi"; a folder that already
// ends in a backslash keeps it, so such a path holds two.
std::wstring PackagePathFor(std::wstring_view outputFolder, std::wstring_view installerTitle);

} // namespace kestrow
