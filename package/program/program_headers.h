#pragma once

// The headers of a Windows program (PE32 or PE32+), read from the file's bytes alone: where
// its sections lie and its data directories, which readers of its resources and of its
// signature start from. Only the file's first headers are read.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

namespace kestrow::program {

// Fills the whole buffer from the offset; false when it cannot.
using ReadBytesAt = std::function<bool(std::uint64_t offset, std::span<std::byte> buffer)>;

enum class HeaderFault : std::uint8_t {
    None,
    NotAProgram, // no MZ or PE signature, an unknown optional header, or a file too short
    Damaged,     // an optional header too short for its own kind
    ReadFailed,  // the file refused a read inside its size
};

// An entry of the data directories: an address of the loaded program, or for the
// certificate table a file offset.
struct DataDirectory {
    std::uint32_t address = 0;
    std::uint32_t size = 0;
};

inline constexpr std::size_t kResourceDirectory = 2;
inline constexpr std::size_t kCertificateDirectory = 4;

struct ProgramHeaders {
    std::uint64_t sectionTable = 0; // the file offset of the section headers
    std::uint16_t sectionCount = 0;
    // Up to the certificate table; an entry the program does not have stays zero.
    std::array<DataDirectory, kCertificateDirectory + 1> directories{};
};

HeaderFault ReadProgramHeaders(const ReadBytesAt& read, std::uint64_t fileSize,
                               ProgramHeaders& headers);

} // namespace kestrow::program
