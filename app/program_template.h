#pragma once

// The template database that Kestrow.exe carries among its resources.

#include <cstddef>
#include <span>

namespace kestrow {

// Empty when the resource is missing; the builder then refuses to build.
std::span<const std::byte> ProgramTemplate();

} // namespace kestrow
