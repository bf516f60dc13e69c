#pragma once

// Fixed values of the version-3 compound file layout (512-byte sectors).

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace installer_db::cfb {

inline constexpr std::size_t kSectorSize = 512;
inline constexpr std::size_t kMiniSectorSize = 64;
inline constexpr std::uint64_t kMiniStreamCutoff = 4096;
inline constexpr std::size_t kHeaderSize = 512;
inline constexpr std::size_t kDirectoryEntrySize = 128;
inline constexpr std::size_t kEntriesPerSector = kSectorSize / kDirectoryEntrySize;
inline constexpr std::size_t kIdsPerSector = kSectorSize / 4;
inline constexpr std::size_t kHeaderDifatCount = 109;
inline constexpr std::size_t kIdsPerDifatSector = kIdsPerSector - 1;
inline constexpr std::size_t kMaxNameUnits = 31;
// Version 3 counts in 32-bit sizes; files beyond this are refused.
inline constexpr std::uint64_t kMaxFileSize = std::uint64_t{1} << 31;
// Windows' own compound-file code keeps the allocation table below 32,768 sectors, and
// readers modelled on it (7-Zip, osslsigncode) refuse a file whose table has that many.
inline constexpr std::uint64_t kMostFatSectors = 32767;

inline constexpr std::uint32_t kMaxRegularSector = 0xFFFFFFFA;
inline constexpr std::uint32_t kDifatSector = 0xFFFFFFFC;
inline constexpr std::uint32_t kFatSector = 0xFFFFFFFD;
inline constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
inline constexpr std::uint32_t kFreeSector = 0xFFFFFFFF;
inline constexpr std::uint32_t kNoStream = 0xFFFFFFFF;

inline constexpr std::array<std::uint8_t, 8> kSignature = {0xD0, 0xCF, 0x11, 0xE0,
                                                           0xA1, 0xB1, 0x1A, 0xE1};
inline constexpr std::uint16_t kMinorVersion = 0x003E;
inline constexpr std::uint16_t kMajorVersion = 3;
inline constexpr std::uint16_t kByteOrderMark = 0xFFFE;
inline constexpr std::uint16_t kSectorShift = 9;
inline constexpr std::uint16_t kMiniSectorShift = 6;

// Byte offsets inside the header.
namespace header {
inline constexpr std::size_t kMinorVersion = 0x18;
inline constexpr std::size_t kMajorVersion = 0x1A;
inline constexpr std::size_t kByteOrder = 0x1C;
inline constexpr std::size_t kSectorShift = 0x1E;
inline constexpr std::size_t kMiniSectorShift = 0x20;
inline constexpr std::size_t kFatSectorCount = 0x2C;
inline constexpr std::size_t kFirstDirectorySector = 0x30;
inline constexpr std::size_t kMiniStreamCutoff = 0x38;
inline constexpr std::size_t kFirstMiniFatSector = 0x3C;
inline constexpr std::size_t kMiniFatSectorCount = 0x40;
inline constexpr std::size_t kFirstDifatSector = 0x44;
inline constexpr std::size_t kDifatSectorCount = 0x48;
inline constexpr std::size_t kDifat = 0x4C;
} // namespace header

// Byte offsets inside a directory entry.
namespace entry {
inline constexpr std::size_t kName = 0x00;
inline constexpr std::size_t kNameLength = 0x40;
inline constexpr std::size_t kType = 0x42;
inline constexpr std::size_t kColor = 0x43;
inline constexpr std::size_t kLeft = 0x44;
inline constexpr std::size_t kRight = 0x48;
inline constexpr std::size_t kChild = 0x4C;
inline constexpr std::size_t kClassId = 0x50;
inline constexpr std::size_t kStateBits = 0x60;
inline constexpr std::size_t kCreated = 0x64;
inline constexpr std::size_t kModified = 0x6C;
inline constexpr std::size_t kStartSector = 0x74;
inline constexpr std::size_t kSize = 0x78;
} // namespace entry

enum class EntryType : std::uint8_t { Empty = 0, Storage = 1, Stream = 2, Root = 5 };
enum class EntryColor : std::uint8_t { Red = 0, Black = 1 };

using ClassId = std::array<std::byte, 16>;

// What an entry carries besides its place in the tree and its data.
struct EntryAttributes {
    ClassId classId{};
    std::uint32_t stateBits = 0;
    std::uint64_t created = 0;
    std::uint64_t modified = 0;
};

} // namespace installer_db::cfb
