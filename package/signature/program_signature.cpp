#include "program_signature.h"

#include <algorithm>
#include <vector>

#include "byte_order.h"
#include "program_headers.h"

namespace kestrow::signature {

namespace {

using installer_db::LoadU16;
using installer_db::LoadU32;
using State = SignatureState;

constexpr std::size_t kCertificateHeaderSize = 8;
constexpr std::size_t kCertificateRevisionAt = 4;
constexpr std::size_t kCertificateTypeAt = 6;
constexpr std::uint16_t kCertificateRevision = 0x0200;
constexpr std::uint16_t kPkcsSignedData = 2;
constexpr std::size_t kCertificateAlignment = 8;

// What a fault of the program's headers says about its signature.
State StateOf(program::HeaderFault fault) {
    switch (fault) {
    case program::HeaderFault::NotAProgram:
        return State::NotAProgram;
    case program::HeaderFault::Damaged:
        return State::Damaged;
    case program::HeaderFault::None:
    case program::HeaderFault::ReadFailed:
        break;
    }
    return State::ReadFailed;
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
    program::ProgramHeaders headers;
    if (const program::HeaderFault fault = program::ReadProgramHeaders(read, fileSize, headers);
        fault != program::HeaderFault::None) {
        return StateOf(fault);
    }
    // The certificate table's entry holds a file offset, not an address of the loaded program.
    const program::DataDirectory table = headers.directories[program::kCertificateDirectory];
    if (table.size == 0) {
        return State::Unsigned;
    }
    if (table.size > kCertificateTableLimit || table.address > fileSize ||
        table.size > fileSize - table.address) {
        return State::Damaged;
    }
    std::vector<std::byte> bytes(table.size);
    if (!read(table.address, bytes)) {
        return State::ReadFailed;
    }
    return SignerInTable(bytes, signer);
}

} // namespace kestrow::signature
