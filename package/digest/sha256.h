#pragma once

// SHA-256 (FIPS 180-4), for the digests of installers of a gibibyte and more: with the x86
// SHA extensions where the processor has them, else in portable C++.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "block_stream.h"

namespace kestrow::digest {

using Sha256State = std::array<std::uint32_t, 8>;
// Runs the compression function over whole 64-byte blocks.
using Sha256BlockFunction = void (*)(Sha256State& state, std::span<const std::byte> blocks);

class Sha256 {
public:
    // With the fastest block function that this processor runs.
    Sha256();
    // With a given one, so that the implementations can be held against each other.
    explicit Sha256(Sha256BlockFunction compress);

    void Update(std::span<const std::byte> bytes);
    // The digest of everything given; call it once, last.
    std::array<std::byte, 32> Finish();

private:
    Sha256BlockFunction compress_;
    Sha256State state_;
    detail::BlockStream blocks_;
};

} // namespace kestrow::digest
