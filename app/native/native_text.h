#pragma once

// The command line's text is UTF-8 on every system; the naming rules work on wide text, and
// the system names files in bytes (POSIX) or UTF-16 (Windows). Conversions between them that
// lose nothing: bytes that are not UTF-8 go through as they are.

#include <filesystem>
#include <string>
#include <string_view>

namespace kestrow::native {

// Wide text with one unit a code point, or UTF-16 where wchar_t holds 16 bits. UTF-8 is
// decoded strictly (no overlong forms, no code points past U+10FFFF, surrogates only where
// wide text is UTF-16); each byte that is not part of it becomes a unit of its own.
std::wstring WideFromUtf8(std::string_view text);

// The reverse: surrogate pairs joined, the units of stray bytes back to those bytes.
std::string Utf8FromWide(std::wstring_view wide);

// The text with each byte that is not part of strict UTF-8 (surrogates included) replaced by
// U+FFFD, for output that must be valid UTF-8.
std::string ValidUtf8(std::string_view text);

// The system's path named by UTF-8 text: its bytes on POSIX, their UTF-16 on Windows.
std::filesystem::path SystemPath(std::string_view text);

// A path's name as UTF-8 text, for messages and standard output.
std::string PathText(const std::filesystem::path& path);

} // namespace kestrow::native
