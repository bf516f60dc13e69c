#pragma once

// Conversion of the caller's wide text into UTF-16 and into the bytes of a database's
// code page, which is how the string pool stores it.

#include <cstdint>
#include <string>
#include <string_view>

#include "installer_error.h"

namespace installer_db {

// Code page 1252 and UTF-8 (65001) convert fully; any other code page, 0 (neutral)
// included, takes ASCII text only. Text that does not fit gives kFunctionFailed.
ErrorCode EncodeForCodePage(std::uint32_t codePage, std::u16string_view text, std::string& bytes);

// The text that a database's bytes stand for, for showing it: every byte of 1252 has its
// character; of any other code page, ASCII stays and every other byte becomes U+FFFD.
std::u16string DecodeFromCodePage(std::uint32_t codePage, std::string_view bytes);

} // namespace installer_db
