#pragma once

#include <windows.h>

#include <span>

namespace kestrow {

// A resource in the interface language, or else wherever the platform's own language search
// finds it; null when neither has it.
HRSRC FindLocalisedResource(HMODULE module, LPCWSTR type, LPCWSTR id);

// The bytes of a found resource, which stay mapped as long as the module is loaded; empty
// when they cannot be loaded.
std::span<const BYTE> ResourceBytes(HMODULE module, HRSRC resource);

} // namespace kestrow
