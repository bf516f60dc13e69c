#pragma once

// Text in the streams and in what the tools print is UTF-8; this appends one code point's
// bytes.

#include <string>

namespace installer_db {

// The caller passes a code point up to U+10FFFF.
inline void AppendUtf8(char32_t point, std::string& bytes) {
    if (point < 0x80) {
        bytes += static_cast<char>(point);
    } else if (point < 0x800) {
        bytes += static_cast<char>(0xC0 | (point >> 6));
        bytes += static_cast<char>(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
        bytes += static_cast<char>(0xE0 | (point >> 12));
        bytes += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        bytes += static_cast<char>(0x80 | (point & 0x3F));
    } else {
        bytes += static_cast<char>(0xF0 | (point >> 18));
        bytes += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
        bytes += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        bytes += static_cast<char>(0x80 | (point & 0x3F));
    }
}

} // namespace installer_db
