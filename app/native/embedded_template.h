#pragma once

// The template database, built into the program when it is built.

#include <cstddef>
#include <span>

namespace kestrow::native {

std::span<const std::byte> EmbeddedTemplate();

} // namespace kestrow::native
