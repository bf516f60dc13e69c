#pragma once

// The shell's folder browser, in its newer style with a resizable tree and a New Folder button.

#include <windows.h>

#include <shlobj.h>

#include <optional>
#include <string>

namespace kestrow {

// Lets the user pick a folder anywhere in the shell's namespace. The chosen item's file-system
// path, an empty text for an item that has none, or nothing when the user cancels.
std::optional<std::wstring> BrowseForFolder(HWND owner, const std::wstring& title,
                                            BFFCALLBACK callback, LPARAM callbackValue);

} // namespace kestrow
