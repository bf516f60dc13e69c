#include "installer_facts.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "program_signature.h"
#include "sha256.h"

namespace kestrow::inspect {

using namespace installer_db;

namespace {

constexpr std::size_t kDigestPiece = 1 << 20;

ContainerError DigestStream(ByteSource& bytes, std::uint64_t size, InstallerDigest256& sha256) {
    digest::Sha256 digest;
    std::vector<std::byte> piece(
        static_cast<std::size_t>(std::min<std::uint64_t>(size, kDigestPiece)));
    for (std::uint64_t left = size; left > 0;) {
        const std::span<std::byte> chunk = std::span(piece).first(
            static_cast<std::size_t>(std::min<std::uint64_t>(left, piece.size())));
        if (const ContainerError error = bytes.Read(chunk); Failed(error)) {
            return error;
        }
        digest.Update(chunk);
        left -= chunk.size();
    }
    sha256 = digest.Finish();
    return ContainerError::None;
}

} // namespace

ContainerError ReadInstallerFacts(const cfb::CompoundFileReader& reader, std::size_t stream,
                                  InstallerFacts& facts) {
    facts.size = reader.Entries()[stream].size;
    std::unique_ptr<ByteSource> sequential;
    if (const ContainerError error = reader.OpenStream(stream, sequential); Failed(error)) {
        return error;
    }
    if (const ContainerError error = DigestStream(*sequential, facts.size, facts.sha256);
        Failed(error)) {
        return error;
    }
    std::unique_ptr<ReadableBytes> bytes;
    if (const ContainerError error = reader.OpenStreamBytes(stream, bytes); Failed(error)) {
        return error;
    }
    const auto readAt = [&bytes](std::uint64_t offset, std::span<std::byte> buffer) {
        return !Failed(bytes->ReadAt(offset, buffer));
    };
    facts.versionFault = identity::ReadVersionResource(readAt, facts.size, facts.version);
    facts.signature.state = signature::SignerOfProgram(readAt, facts.size, facts.signature.signer);
    return ContainerError::None;
}

} // namespace kestrow::inspect
