#pragma once

// Text of a version resource as the command line uses it.

#include <string>
#include <string_view>

namespace kestrow::identity {

// UTF-16 from the file as UTF-8, without surrounding white space; a surrogate without its
// partner becomes U+FFFD.
std::string TrimmedUtf8(std::u16string_view text);

} // namespace kestrow::identity
