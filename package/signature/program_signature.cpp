#include "program_signature.h"

#include <algorithm>
#include <array>
#include <vector>

#include "byte_order.h"

namespace kestrow::signature {

namespace {

using installer_db::LoadU16;
using installer_db::LoadU32;
using State = SignatureState;

// What a step of finding the table gives when it went well: the search goes on.
constexpr State kFound = State::Signed;

constexpr std::size_t kDosHeaderSize = 64;
constexpr std::uint16_t kDosSignature = 0x5A4D;     // "MZ"
constexpr std::uint32_t kProgramSignature = 0x4550; // "PE\0\0"
constexpr std::size_t kNewHeaderOffsetAt = 0x3C;
constexpr std::size_t kSignatureSize = 4;
constexpr std::size_t kFileHeaderSize = 20;
constexpr std::size_t kOptionalHeaderSizeAt = 16;
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::size_t kPe32DirectoriesAt = 96;
constexpr std::size_t kPe32PlusDirectoriesAt = 112;
constexpr std::size_t kDirectorySize = 8;
constexpr std::uint32_t kCertificateDirectory = 4;
constexpr std::size_t kCertificateHeaderSize = 8;
constexpr std::size_t kCertificateRevisionAt = 4;
constexpr std::size_t kCertificateTypeAt = 6;
constexpr std::uint16_t kCertificateRevision = 0x0200;
constexpr std::uint16_t kPkcsSignedData = 2;
constexpr std::size_t kCertificateAlignment = 8;

// The optional header up to the certificate table's entry, as much of it as its size holds.
using OptionalHeader =
    std::array<std::byte, kPe32PlusDirectoriesAt + (kCertificateDirectory + 1) * kDirectorySize>;

// Where the certificate table lies in the file; its entry holds a file offset, not an address
// of the loaded program.
struct CertificateTable {
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
};

// A piece of the headers: a file too short to hold it is no program.
State ReadHeader(const ReadBytesAt& read, std::uint64_t fileSize, std::uint64_t offset,
                 std::span<std::byte> buffer) {
    if (offset > fileSize || buffer.size() > fileSize - offset) {
        return State::NotAProgram;
    }
    return read(offset, buffer) ? kFound : State::ReadFailed;
}

State TableInOptionalHeader(std::span<const std::byte> optional, CertificateTable& table) {
    const std::uint16_t magic = LoadU16(optional, 0);
    if (magic != kPe32Magic && magic != kPe32PlusMagic) {
        return State::NotAProgram;
    }
    const std::size_t directoriesAt =
        magic == kPe32Magic ? kPe32DirectoriesAt : kPe32PlusDirectoriesAt;
    if (optional.size() < directoriesAt) {
        return State::Damaged;
    }
    const std::uint32_t directoryCount = std::min<std::uint32_t>(
        LoadU32(optional, directoriesAt - 4), (optional.size() - directoriesAt) / kDirectorySize);
    if (directoryCount > kCertificateDirectory) {
        const std::size_t entryAt = directoriesAt + kCertificateDirectory * kDirectorySize;
        table = {LoadU32(optional, entryAt), LoadU32(optional, entryAt + 4)};
    }
    return kFound;
}

// The table is found when the program has no certificate directory too: then it is empty.
State FindCertificateTable(const ReadBytesAt& read, std::uint64_t fileSize,
                           CertificateTable& table) {
    std::array<std::byte, kDosHeaderSize> dos;
    if (const State state = ReadHeader(read, fileSize, 0, dos); state != kFound) {
        return state;
    }
    if (LoadU16(dos, 0) != kDosSignature) {
        return State::NotAProgram;
    }
    const std::uint64_t signatureAt = LoadU32(dos, kNewHeaderOffsetAt);
    std::array<std::byte, kSignatureSize + kFileHeaderSize> head;
    if (const State state = ReadHeader(read, fileSize, signatureAt, head); state != kFound) {
        return state;
    }
    const std::uint16_t optionalSize = LoadU16(head, kSignatureSize + kOptionalHeaderSizeAt);
    OptionalHeader optional;
    const std::span<std::byte> present =
        std::span(optional).first(std::min<std::size_t>(optionalSize, optional.size()));
    if (LoadU32(head, 0) != kProgramSignature || present.size() < 2) {
        return State::NotAProgram;
    }
    if (const State state = ReadHeader(read, fileSize, signatureAt + head.size(), present);
        state != kFound) {
        return state;
    }
    return TableInOptionalHeader(present, table);
}

// The table's entries are each padded to eight bytes; the first PKCS #7 one counts.
State SignerInTable(std::span<const std::byte> table, Signer& signer) {
    for (std::size_t at = 0; table.size() - at >= kCertificateHeaderSize;) {
        const std::uint32_t length = LoadU32(table, at);
        if (length < kCertificateHeaderSize || length > table.size() - at) {
            return State::Damaged;
        }
        if (LoadU16(table, at + kCertificateRevisionAt) == kCertificateRevision &&
            LoadU16(table, at + kCertificateTypeAt) == kPkcsSignedData) {
            return SignerOfSignedData(
                table.subspan(at + kCertificateHeaderSize, length - kCertificateHeaderSize),
                signer);
        }
        at = std::min(table.size(),
                      (at + length + kCertificateAlignment - 1) & ~(kCertificateAlignment - 1));
    }
    return State::Unsigned;
}

} // namespace

SignatureState SignerOfProgram(const ReadBytesAt& read, std::uint64_t fileSize, Signer& signer) {
    signer = {};
    CertificateTable table;
    if (const State state = FindCertificateTable(read, fileSize, table); state != kFound) {
        return state;
    }
    if (table.size == 0) {
        return State::Unsigned;
    }
    if (table.size > kCertificateTableLimit || table.offset > fileSize ||
        table.size > fileSize - table.offset) {
        return State::Damaged;
    }
    std::vector<std::byte> bytes(table.size);
    if (!read(table.offset, bytes)) {
        return State::ReadFailed;
    }
    return SignerInTable(bytes, signer);
}

} // namespace kestrow::signature
