#pragma once

// Who signed a Windows program: the Authenticode signature in its certificate table, read
// from the file's bytes alone, on any system. Only the headers and the table are read.

#include <cstdint>

#include "program_headers.h"
#include "signed_data.h"

namespace kestrow::signature {

using program::ReadBytesAt;

// A table larger than this is taken for damaged rather than read: a few signatures with
// their chains fit many times over.
constexpr std::uint64_t kCertificateTableLimit = 4 * 1024 * 1024;

// The signer of the first PKCS #7 signature in the table. Unsigned when the program has no
// table or no such signature in it; Damaged when the table leaves the file or the limit, or
// its signature is malformed. Reads only inside the file's size.
SignatureState SignerOfProgram(const ReadBytesAt& read, std::uint64_t fileSize, Signer& signer);

} // namespace kestrow::signature
