#pragma once

#include <windows.h>

#include <span>

namespace kestrow {

// A resource in the given language (the interface language when 0), or else wherever the
// platform's own language search finds it; null when neither has it.
HRSRC FindLocalisedResource(HMODULE module, LPCWSTR type, LPCWSTR id, LANGID language = 0);

// The bytes of a found resource, which stay mapped as long as the module is loaded; empty
// when they cannot be loaded.
std::span<const BYTE> ResourceBytes(HMODULE module, HRSRC resource);

} // namespace kestrow
