#pragma once

// What SHA-1 and SHA-256 share: the message goes to the block function in 64-byte blocks of
// big-endian words, the last padded with a 1 bit, zeros and the message's length in bits.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace kestrow::digest::detail {

inline constexpr std::size_t kBlockBytes = 64;

inline std::uint32_t ReadBigEndian32(const std::byte* bytes) {
    return std::uint32_t{std::to_integer<std::uint8_t>(bytes[0])} << 24 |
           std::uint32_t{std::to_integer<std::uint8_t>(bytes[1])} << 16 |
           std::uint32_t{std::to_integer<std::uint8_t>(bytes[2])} << 8 |
           std::uint32_t{std::to_integer<std::uint8_t>(bytes[3])};
}

template <std::size_t WordCount>
std::array<std::byte, WordCount * 4>
BigEndianBytes(const std::array<std::uint32_t, WordCount>& words) {
    std::array<std::byte, WordCount * 4> bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::byte>(words[i / 4] >> (24 - 8 * (i % 4)));
    }
    return bytes;
}

class BlockStream {
public:
    // Calls compress(std::span<const std::byte>) with whole blocks; the input's blocks go in
    // one call, uncopied, so that a block function's loop runs over a large file unbroken.
    template <typename Compress>
    void Update(std::span<const std::byte> bytes, Compress&& compress) {
        totalBytes_ += bytes.size();
        if (pendingSize_ > 0) {
            const std::size_t taken = std::min(bytes.size(), kBlockBytes - pendingSize_);
            std::copy_n(bytes.begin(), taken, pending_.begin() + pendingSize_);
            pendingSize_ += taken;
            bytes = bytes.subspan(taken);
            if (pendingSize_ < kBlockBytes) {
                return;
            }
            compress(std::span<const std::byte>(pending_));
            pendingSize_ = 0;
        }
        const std::size_t whole = bytes.size() - bytes.size() % kBlockBytes;
        if (whole > 0) {
            compress(bytes.first(whole));
        }
        pendingSize_ =
            std::copy(bytes.begin() + whole, bytes.end(), pending_.begin()) - pending_.begin();
    }

    template <typename Compress> void Finish(Compress&& compress) {
        constexpr std::size_t kLengthOffset = kBlockBytes - 8;
        const std::uint64_t bitLength = totalBytes_ * 8;
        pending_[pendingSize_++] = std::byte{0x80};
        if (pendingSize_ > kLengthOffset) {
            std::fill(pending_.begin() + pendingSize_, pending_.end(), std::byte{0});
            compress(std::span<const std::byte>(pending_));
            pendingSize_ = 0;
        }
        std::fill(pending_.begin() + pendingSize_, pending_.begin() + kLengthOffset, std::byte{0});
        for (std::size_t i = 0; i < 8; ++i) {
            pending_[kLengthOffset + i] = static_cast<std::byte>(bitLength >> (56 - 8 * i));
        }
        compress(std::span<const std::byte>(pending_));
    }

private:
    std::array<std::byte, kBlockBytes> pending_{};
    std::size_t pendingSize_ = 0;
    std::uint64_t totalBytes_ = 0;
};

} // namespace kestrow::digest::detail
