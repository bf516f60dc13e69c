#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

// SHA-256 (FIPS 180-4), fed in pieces, so that a stream of any size is hashed in bounded memory.
class Sha256 {
public:
    Sha256();
    void Update(const void* data, std::size_t size);
    // Lower-case hexadecimal digest; the object is spent afterwards.
    std::string FinishHex();

private:
    void CompressBlock(const std::uint8_t* block);

    std::array<std::uint32_t, 8> state_;
    std::array<std::uint8_t, 64> pending_{};
    std::size_t pendingSize_ = 0;
    std::uint64_t totalBytes_ = 0;
};
