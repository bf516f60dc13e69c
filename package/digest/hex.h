#pragma once

// Digests as text, the way sha256sum and UUIDs write them.

#include <cstddef>
#include <span>
#include <string>

namespace kestrow::digest {

// Two lowercase hexadecimal digits a byte.
std::string ToHex(std::span<const std::byte> bytes);

} // namespace kestrow::digest
