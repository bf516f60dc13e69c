// The signer of a damaged program, read from memory through a reader that checks each read
// the library asks for.

#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "program_signature.h"

namespace {

using namespace kestrow::signature;
using kestrow::fuzz::Expect;

// The largest read is the whole certificate table.
constexpr std::uint64_t kLargestRead = kCertificateTableLimit;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto read = kestrow::fuzz::CheckedFileReader(data, size, kLargestRead);
    Signer signer;
    const SignatureState state = SignerOfProgram(read, size, signer);
    Expect(state != SignatureState::ReadFailed);
    Expect(state == SignatureState::Signed || signer.subject.empty());
    return 0;
}
