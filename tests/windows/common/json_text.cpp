#include "json_text.h"

#include <cstdio>

#include "utf8.h"

std::string JsonString(std::wstring_view text) {
    std::string literal = "\"";
    for (const char byte : ToUtf8(text)) {
        const auto unit = static_cast<unsigned char>(byte);
        if (byte == '"' || byte == '\\') {
            literal += '\\';
            literal += byte;
        } else if (unit < 0x20) {
            // Control characters, "\r\n" included, must stay visible to the reader.
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", unit);
            literal += escaped;
        } else {
            literal += byte;
        }
    }
    literal += '"';
    return literal;
}
