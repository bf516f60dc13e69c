#pragma once

#include <windows.h>

#include <string>

namespace kestrow {

// The interface text with the given string-table id, from the program's own module; empty
// when the id has no text. Ids whose block number cannot exist set the thread's last error
// to ERROR_RESOURCE_NAME_NOT_FOUND.
std::wstring LoadUiString(UINT id);

// The same lookup in another module, such as a program image loaded as a resource file.
std::wstring LoadUiStringFrom(HMODULE module, UINT id);

} // namespace kestrow
