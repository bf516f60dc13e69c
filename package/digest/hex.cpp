#include "hex.h"

namespace kestrow::digest {

std::string ToHex(std::span<const std::byte> bytes) {
    constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const std::byte byte : bytes) {
        const auto value = std::to_integer<unsigned>(byte);
        text.push_back(kDigits[value >> 4]);
        text.push_back(kDigits[value & 0xF]);
    }
    return text;
}

} // namespace kestrow::digest
