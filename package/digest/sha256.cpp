#include "sha256.h"

#include <bit>

#include "sha256_blocks.h"

namespace kestrow::digest {
namespace detail {
namespace {

std::uint32_t Choose(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
    return (x & y) ^ (~x & z);
}
std::uint32_t Majority(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
    return (x & y) ^ (x & z) ^ (y & z);
}
std::uint32_t BigSigma0(std::uint32_t x) {
    return std::rotr(x, 2) ^ std::rotr(x, 13) ^ std::rotr(x, 22);
}
std::uint32_t BigSigma1(std::uint32_t x) {
    return std::rotr(x, 6) ^ std::rotr(x, 11) ^ std::rotr(x, 25);
}
std::uint32_t SmallSigma0(std::uint32_t x) {
    return std::rotr(x, 7) ^ std::rotr(x, 18) ^ (x >> 3);
}
std::uint32_t SmallSigma1(std::uint32_t x) {
    return std::rotr(x, 17) ^ std::rotr(x, 19) ^ (x >> 10);
}

void CompressBlock(Sha256State& state, const std::byte* block) {
    std::array<std::uint32_t, 64> schedule;
    for (std::size_t t = 0; t < 16; ++t) {
        schedule[t] = ReadBigEndian32(block + 4 * t);
    }
    for (std::size_t t = 16; t < 64; ++t) {
        schedule[t] = SmallSigma1(schedule[t - 2]) + schedule[t - 7] +
                      SmallSigma0(schedule[t - 15]) + schedule[t - 16];
    }
    auto [a, b, c, d, e, f, g, h] = state;
    for (std::size_t t = 0; t < 64; ++t) {
        const std::uint32_t t1 =
            h + BigSigma1(e) + Choose(e, f, g) + kSha256RoundConstants[t] + schedule[t];
        const std::uint32_t t2 = BigSigma0(a) + Majority(a, b, c);
        h = g;
        g = f;
        f = e;
        e = d + t1;
        d = c;
        c = b;
        b = a;
        a = t1 + t2;
    }
    const Sha256State working = {a, b, c, d, e, f, g, h};
    for (std::size_t i = 0; i < state.size(); ++i) {
        state[i] += working[i];
    }
}

Sha256BlockFunction FastestBlockFunction() {
    static const Sha256BlockFunction fastest = ShaExtensionsBlockFunction() != nullptr
                                                   ? ShaExtensionsBlockFunction()
                                                   : CompressSha256Portably;
    return fastest;
}

} // namespace

void CompressSha256Portably(Sha256State& state, std::span<const std::byte> blocks) {
    for (std::size_t offset = 0; offset < blocks.size(); offset += kBlockBytes) {
        CompressBlock(state, blocks.data() + offset);
    }
}

} // namespace detail

Sha256::Sha256() : Sha256(detail::FastestBlockFunction()) {}

// The first 32 bits of the fractional parts of the square roots of the first 8 primes.
Sha256::Sha256(Sha256BlockFunction compress)
    : compress_(compress), state_{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                  0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19} {}

void Sha256::Update(std::span<const std::byte> bytes) {
    blocks_.Update(bytes, [this](std::span<const std::byte> blocks) { compress_(state_, blocks); });
}

std::array<std::byte, 32> Sha256::Finish() {
    blocks_.Finish([this](std::span<const std::byte> blocks) { compress_(state_, blocks); });
    return detail::BigEndianBytes(state_);
}

} // namespace kestrow::digest
