#pragma once

// SHA-1 (FIPS 180-4), for name-based (version-5) UUIDs; it hashes short names, so it is
// portable only.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "block_stream.h"

namespace kestrow::digest {

class Sha1 {
public:
    void Update(std::span<const std::byte> bytes);
    // The digest of everything given; call it once, last.
    std::array<std::byte, 20> Finish();

private:
    void Compress(std::span<const std::byte> blocks);

    std::array<std::uint32_t, 5> state_ = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476,
                                           0xc3d2e1f0};
    detail::BlockStream blocks_;
};

} // namespace kestrow::digest
