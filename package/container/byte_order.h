#pragma once

// Every number in a compound file and in the installer's streams is little-endian,
// whatever the machine; these helpers read and write them from byte buffers.

#include <cstddef>
#include <cstdint>
#include <span>

namespace installer_db {

inline std::uint32_t LoadLittleEndian(std::span<const std::byte> bytes, std::size_t offset,
                                      unsigned width) {
    std::uint32_t value = 0;
    for (unsigned i = 0; i < width; ++i) {
        value |= std::to_integer<std::uint32_t>(bytes[offset + i]) << (8 * i);
    }
    return value;
}

inline std::uint16_t LoadU16(std::span<const std::byte> bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(LoadLittleEndian(bytes, offset, 2));
}

inline std::uint32_t LoadU32(std::span<const std::byte> bytes, std::size_t offset) {
    return LoadLittleEndian(bytes, offset, 4);
}

inline std::uint64_t LoadU64(std::span<const std::byte> bytes, std::size_t offset) {
    return LoadU32(bytes, offset) | (std::uint64_t{LoadU32(bytes, offset + 4)} << 32);
}

inline void StoreLittleEndian(std::span<std::byte> bytes, std::size_t offset, std::uint32_t value,
                              unsigned width) {
    for (unsigned i = 0; i < width; ++i) {
        bytes[offset + i] = static_cast<std::byte>((value >> (8 * i)) & 0xFF);
    }
}

inline void StoreU16(std::span<std::byte> bytes, std::size_t offset, std::uint16_t value) {
    StoreLittleEndian(bytes, offset, value, 2);
}

inline void StoreU32(std::span<std::byte> bytes, std::size_t offset, std::uint32_t value) {
    StoreLittleEndian(bytes, offset, value, 4);
}

inline void StoreU64(std::span<std::byte> bytes, std::size_t offset, std::uint64_t value) {
    StoreU32(bytes, offset, static_cast<std::uint32_t>(value));
    StoreU32(bytes, offset + 4, static_cast<std::uint32_t>(value >> 32));
}

} // namespace installer_db
