#pragma once

// A certificate's subject or issuer as one line of UTF-8 in the usual order of the text form
// (narrowest part first, "CN=Fabrikam Code Signing, O=Fabrikam Ltd, C=US"), safe to print.

#include <cstddef>
#include <span>
#include <string>

namespace kestrow::signature {

// The Name's whole DER encoding in, its text out. Well-known attributes go by their short
// names (CN, O, OU, L, ST, C, E, SERIALNUMBER, DC), any other by its dotted object identifier.
// The five string kinds of names are converted to UTF-8, other values written as #hex of
// their encoding; control and direction characters are written as \XX escapes of their UTF-8
// bytes, so the text stays on one line as it reads. False, with the text empty, when the name
// is malformed.
bool DistinguishedNameText(std::span<const std::byte> name, std::string& text);

} // namespace kestrow::signature
