#pragma once

#include <windows.h>

namespace kestrow {

// Writes a resource of this program's own module, in any language, to a new file of
// exactly its size. An existing file is truncated first. Returns false on any failure.
bool WriteResourceToFile(WORD resourceId, const wchar_t* resourceType, const wchar_t* filePath);

} // namespace kestrow
