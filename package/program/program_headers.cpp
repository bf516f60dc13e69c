#include "program_headers.h"

#include <algorithm>

#include "byte_order.h"

namespace kestrow::program {

namespace {

using installer_db::LoadU16;
using installer_db::LoadU32;

constexpr std::size_t kDosHeaderSize = 64;
constexpr std::uint16_t kDosSignature = 0x5A4D;     // "MZ"
constexpr std::uint32_t kProgramSignature = 0x4550; // "PE\0\0"
constexpr std::size_t kNewHeaderOffsetAt = 0x3C;
constexpr std::size_t kSignatureSize = 4;
constexpr std::size_t kFileHeaderSize = 20;
constexpr std::size_t kSectionCountAt = 2;
constexpr std::size_t kOptionalHeaderSizeAt = 16;
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::size_t kPe32DirectoriesAt = 96;
constexpr std::size_t kPe32PlusDirectoriesAt = 112;
constexpr std::size_t kDirectorySize = 8;

// The optional header up to the last directory entry read, as much of it as its size holds.
using OptionalHeader =
    std::array<std::byte, kPe32PlusDirectoriesAt + (kCertificateDirectory + 1) * kDirectorySize>;

// A piece of the headers: a file too short to hold it is no program.
HeaderFault ReadHeader(const ReadBytesAt& read, std::uint64_t fileSize, std::uint64_t offset,
                       std::span<std::byte> buffer) {
    if (offset > fileSize || buffer.size() > fileSize - offset) {
        return HeaderFault::NotAProgram;
    }
    return read(offset, buffer) ? HeaderFault::None : HeaderFault::ReadFailed;
}

HeaderFault ReadDirectories(std::span<const std::byte> optional, ProgramHeaders& headers) {
    const std::uint16_t magic = LoadU16(optional, 0);
    if (magic != kPe32Magic && magic != kPe32PlusMagic) {
        return HeaderFault::NotAProgram;
    }
    const std::size_t directoriesAt =
        magic == kPe32Magic ? kPe32DirectoriesAt : kPe32PlusDirectoriesAt;
    if (optional.size() < directoriesAt) {
        return HeaderFault::Damaged;
    }
    const std::size_t count = std::min<std::size_t>(
        {LoadU32(optional, directoriesAt - 4), (optional.size() - directoriesAt) / kDirectorySize,
         headers.directories.size()});
    for (std::size_t index = 0; index < count; ++index) {
        const std::size_t entryAt = directoriesAt + index * kDirectorySize;
        headers.directories[index] = {LoadU32(optional, entryAt), LoadU32(optional, entryAt + 4)};
    }
    return HeaderFault::None;
}

} // namespace

HeaderFault ReadProgramHeaders(const ReadBytesAt& read, std::uint64_t fileSize,
                               ProgramHeaders& headers) {
    headers = {};
    std::array<std::byte, kDosHeaderSize> dos;
    if (const HeaderFault fault = ReadHeader(read, fileSize, 0, dos); fault != HeaderFault::None) {
        return fault;
    }
    if (LoadU16(dos, 0) != kDosSignature) {
        return HeaderFault::NotAProgram;
    }
    const std::uint64_t signatureAt = LoadU32(dos, kNewHeaderOffsetAt);
    std::array<std::byte, kSignatureSize + kFileHeaderSize> head;
    if (const HeaderFault fault = ReadHeader(read, fileSize, signatureAt, head);
        fault != HeaderFault::None) {
        return fault;
    }
    const std::uint16_t optionalSize = LoadU16(head, kSignatureSize + kOptionalHeaderSizeAt);
    const std::uint64_t optionalAt = signatureAt + head.size();
    headers.sectionCount = LoadU16(head, kSignatureSize + kSectionCountAt);
    headers.sectionTable = optionalAt + optionalSize;
    OptionalHeader optional;
    const std::span<std::byte> present =
        std::span(optional).first(std::min<std::size_t>(optionalSize, optional.size()));
    if (LoadU32(head, 0) != kProgramSignature || present.size() < 2) {
        return HeaderFault::NotAProgram;
    }
    if (const HeaderFault fault = ReadHeader(read, fileSize, optionalAt, present);
        fault != HeaderFault::None) {
        return fault;
    }
    return ReadDirectories(present, headers);
}

} // namespace kestrow::program
