#include "sha1.h"

#include <bit>

namespace kestrow::digest {
namespace {

// Each group of twenty rounds has its function and constant.
std::uint32_t RoundFunction(std::size_t t, std::uint32_t x, std::uint32_t y, std::uint32_t z) {
    if (t < 20) {
        return (x & y) ^ (~x & z);
    }
    if (t >= 40 && t < 60) {
        return (x & y) ^ (x & z) ^ (y & z);
    }
    return x ^ y ^ z;
}

constexpr std::array<std::uint32_t, 4> kRoundConstants = {0x5a827999, 0x6ed9eba1, 0x8f1bbcdc,
                                                          0xca62c1d6};

} // namespace

void Sha1::Compress(std::span<const std::byte> blocks) {
    for (std::size_t offset = 0; offset < blocks.size(); offset += detail::kBlockBytes) {
        std::array<std::uint32_t, 80> schedule;
        for (std::size_t t = 0; t < 16; ++t) {
            schedule[t] = detail::ReadBigEndian32(blocks.data() + offset + 4 * t);
        }
        for (std::size_t t = 16; t < 80; ++t) {
            schedule[t] = std::rotl(
                schedule[t - 3] ^ schedule[t - 8] ^ schedule[t - 14] ^ schedule[t - 16], 1);
        }
        auto [a, b, c, d, e] = state_;
        for (std::size_t t = 0; t < 80; ++t) {
            const std::uint32_t temporary = std::rotl(a, 5) + RoundFunction(t, b, c, d) + e +
                                            kRoundConstants[t / 20] + schedule[t];
            e = d;
            d = c;
            c = std::rotl(b, 30);
            b = a;
            a = temporary;
        }
        const std::array<std::uint32_t, 5> working = {a, b, c, d, e};
        for (std::size_t i = 0; i < state_.size(); ++i) {
            state_[i] += working[i];
        }
    }
}

void Sha1::Update(std::span<const std::byte> bytes) {
    blocks_.Update(bytes, [this](std::span<const std::byte> blocks) { Compress(blocks); });
}

std::array<std::byte, 20> Sha1::Finish() {
    blocks_.Finish([this](std::span<const std::byte> blocks) { Compress(blocks); });
    return detail::BigEndianBytes(state_);
}

} // namespace kestrow::digest
