#pragma once

// Who signed: the signer named by a PKCS #7 SignedData, the form of an Authenticode signature
// in a program's certificate table and whole in a package's "\x05DigitalSignature" stream.
// Only read, never trusted: no chain is built and no digest checked.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace kestrow::signature {

enum class SignatureState : std::uint8_t {
    Unsigned,    // the program carries no signature
    Signed,      // the signer is named
    Damaged,     // a signature that is no SignedData, or whose signer's certificate is missing
    NotAProgram, // no Windows program: no MZ or PE signature, or an unknown header kind
    ReadFailed,  // the file refused a read inside its size
};

struct Signer {
    std::string subject; // one line of UTF-8, "CN=Fabrikam Code Signing, O=Fabrikam Ltd, C=US"
};

// The first signer's certificate, found among the SignedData's certificates by issuer and
// serial number or by subject key identifier, whichever the signer names it by. Bytes after
// the ContentInfo (the padding of a certificate table) are left alone. Signed or Damaged;
// the subject is set on Signed and left empty otherwise.
SignatureState SignerOfSignedData(std::span<const std::byte> pkcs7, Signer& signer);

} // namespace kestrow::signature
