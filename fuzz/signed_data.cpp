// The signer of a signature on damaged PKCS #7 bytes: a state, and a subject only when signed,
// on one printable line.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "fuzz_support.h"
#include "signed_data.h"

namespace {

using namespace kestrow::signature;
using kestrow::fuzz::Expect;

// No byte that breaks the line or makes the terminal act.
bool Printable(const std::string& text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Signer signer;
    const SignatureState state = SignerOfSignedData(std::as_bytes(std::span(data, size)), signer);
    Expect(state == SignatureState::Signed || state == SignatureState::Damaged);
    Expect(state == SignatureState::Signed || signer.subject.empty());
    Expect(Printable(signer.subject));
    return 0;
}
