#pragma once

// Name-based (version 5) UUIDs in Kestrow's own namespace, written as the Windows Installer
// writes GUIDs: braced and in upper case. The same name always gives the same GUID.

#include <string>
#include <string_view>

namespace kestrow {

// The name is hashed as its UTF-16 code units, little-endian.
std::u16string NameBasedGuid(std::u16string_view name);

} // namespace kestrow
