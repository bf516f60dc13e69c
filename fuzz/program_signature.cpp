// The signer of a damaged program, read from memory through a reader that checks each read
// the library asks for.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "fuzz_support.h"
#include "program_signature.h"

namespace {

using namespace kestrow::signature;
using kestrow::fuzz::Expect;

// The largest read is the whole certificate table.
constexpr std::uint64_t kLargestRead = kCertificateTableLimit;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto read = [&](std::uint64_t offset, std::span<std::byte> buffer) {
        Expect(offset <= size && buffer.size() <= size - offset);
        Expect(buffer.size() <= kLargestRead);
        std::copy_n(reinterpret_cast<const std::byte*>(data) + offset, buffer.size(),
                    buffer.begin());
        return true;
    };
    Signer signer;
    const SignatureState state = SignerOfProgram(read, size, signer);
    Expect(state != SignatureState::ReadFailed);
    Expect(state == SignatureState::Signed || signer.subject.empty());
    return 0;
}
