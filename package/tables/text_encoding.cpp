#include "text_encoding.h"

#include <optional>

#include "utf8_encoding.h"

namespace installer_db {

namespace {

constexpr std::uint32_t kWesternEuropean = 1252;
constexpr std::uint32_t kUtf8 = 65001;

// The characters that code page 1252 puts at 0x80..0x9F; the five unassigned bytes map
// to the C1 control of the same value, as the system's conversion does.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::optional<char> ToWindows1252(char16_t unit) {
    for (int i = 0; i < 32; ++i) {
        if (kWindows1252High[i] == unit) {
            return static_cast<char>(0x80 + i);
        }
    }
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) {
        return static_cast<char>(unit);
    }
    return std::nullopt;
}

bool IsHighSurrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

ErrorCode EncodeUtf8(std::u16string_view text, std::string& bytes) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t code = text[i];
        if (IsHighSurrogate(code) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[++i] - 0xDC00);
        } else if (IsHighSurrogate(code) || IsLowSurrogate(code)) {
            return kFunctionFailed;
        }
        AppendUtf8(code, bytes);
    }
    return kSuccess;
}

constexpr char16_t kReplacement = 0xFFFD;

char16_t FromSingleByte(std::uint32_t codePage, unsigned char byte) {
    if (byte < 0x80) {
        return byte;
    }
    if (codePage != kWesternEuropean) {
        return kReplacement;
    }
    return byte < 0xA0 ? kWindows1252High[byte - 0x80] : byte;
}

} // namespace

std::u16string DecodeFromCodePage(std::uint32_t codePage, std::string_view bytes) {
    std::u16string text;
    for (const char byte : bytes) {
        text.push_back(FromSingleByte(codePage, static_cast<unsigned char>(byte)));
    }
    return text;
}

ErrorCode EncodeForCodePage(std::uint32_t codePage, std::u16string_view text, std::string& bytes) {
    bytes.clear();
    if (codePage == kUtf8) {
        return EncodeUtf8(text, bytes);
    }
    for (const char16_t unit : text) {
        const std::optional<char> byte = codePage == kWesternEuropean ? ToWindows1252(unit)
                                         : unit < 0x80
                                             ? std::optional<char>(static_cast<char>(unit))
                                             : std::nullopt;
        if (!byte) {
            return kFunctionFailed;
        }
        bytes.push_back(*byte);
    }
    return kSuccess;
}

} // namespace installer_db
