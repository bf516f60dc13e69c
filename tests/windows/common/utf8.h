#pragma once

#include <string>
#include <string_view>

// UTF-16 text of the Windows API as UTF-8 bytes, the encoding of everything the test
// programs write for the Linux side to read.
std::string ToUtf8(std::wstring_view text);
