#include "native_text.h"

#include <type_traits>

#include "utf8_encoding.h"

namespace kestrow::native {

namespace {

// Windows keeps paths, and the naming rules' wide text, in UTF-16.
constexpr bool kWideIsUtf16 = sizeof(wchar_t) == 2;
constexpr bool kPathIsWide = std::is_same_v<std::filesystem::path::value_type, wchar_t>;

// The unit of a byte that is not part of valid UTF-8: a lone low surrogate, which valid
// UTF-8 never gives.
constexpr char32_t kEscapedByte = 0xDC00;

// The smallest code point that needs each length; anything below it is an overlong form,
// which could otherwise smuggle a "/" or a NUL past every check of the name.
constexpr char32_t kSmallestOfLength[] = {0, 0, 0x80, 0x800, 0x10000};

std::size_t SequenceLength(unsigned char lead) {
    return lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
}

bool IsSurrogate(char32_t point) {
    return point >= 0xD800 && point <= 0xDFFF;
}

// A surrogate decoded from bytes could pass for a stray byte's unit where wide text holds
// code points; in UTF-16 it is the unit that Windows' own names may hold alone.
bool IsDecodable(char32_t point) {
    return point <= 0x10FFFF && (kWideIsUtf16 || !IsSurrogate(point));
}

// The code point at the start of text, or 0 with length 0 when the bytes there are not UTF-8.
char32_t DecodeOne(std::string_view text, std::size_t& length) {
    const auto lead = static_cast<unsigned char>(text[0]);
    length = SequenceLength(lead);
    if (length == 1) {
        return lead;
    }
    if (lead < 0xC0 || lead > 0xF7 || length > text.size()) {
        length = 0;
        return 0;
    }
    char32_t point = lead & (0x3F >> (length - 1));
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[k]);
        if ((next & 0xC0) != 0x80) {
            length = 0;
            return 0;
        }
        point = (point << 6) | (next & 0x3F);
    }
    if (point < kSmallestOfLength[length] || !IsDecodable(point)) {
        length = 0;
        return 0;
    }
    return point;
}

void AppendWide(char32_t point, std::wstring& wide) {
    if (kWideIsUtf16 && point >= 0x10000) {
        wide += static_cast<wchar_t>(0xD800 | ((point - 0x10000) >> 10));
        wide += static_cast<wchar_t>(0xDC00 | (point & 0x3FF));
    } else {
        wide += static_cast<wchar_t>(point);
    }
}

// A stray byte's unit goes back to that byte.
void AppendUtf8OrByte(char32_t point, std::string& text) {
    if (point >= kEscapedByte + 0x80 && point <= kEscapedByte + 0xFF) {
        text += static_cast<char>(point & 0xFF);
    } else {
        installer_db::AppendUtf8(point, text);
    }
}

bool IsHighSurrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

} // namespace

std::wstring WideFromUtf8(std::string_view text) {
    std::wstring wide;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t length = 0;
        const char32_t point = DecodeOne(text.substr(i), length);
        if (length == 0) {
            wide += static_cast<wchar_t>(kEscapedByte | static_cast<unsigned char>(text[i]));
            i += 1;
        } else {
            AppendWide(point, wide);
            i += length;
        }
    }
    return wide;
}

std::string Utf8FromWide(std::wstring_view wide) {
    std::string text;
    for (std::size_t i = 0; i < wide.size(); ++i) {
        char32_t point = static_cast<char32_t>(wide[i]);
        if (IsHighSurrogate(point) && i + 1 < wide.size() &&
            IsLowSurrogate(static_cast<char32_t>(wide[i + 1]))) {
            point = 0x10000 + ((point & 0x3FF) << 10) + (static_cast<char32_t>(wide[++i]) & 0x3FF);
        }
        AppendUtf8OrByte(point, text);
    }
    return text;
}

std::string ValidUtf8(std::string_view text) {
    std::string valid;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t length = 0;
        const char32_t point = DecodeOne(text.substr(at), length);
        if (length == 0 || IsSurrogate(point)) {
            valid += "\xEF\xBF\xBD";
            ++at;
        } else {
            valid += text.substr(at, length);
            at += length;
        }
    }
    return valid;
}

std::filesystem::path SystemPath(std::string_view text) {
    if constexpr (kPathIsWide) {
        return std::filesystem::path(WideFromUtf8(text));
    } else {
        return std::filesystem::path(std::string(text));
    }
}

std::string PathText(const std::filesystem::path& path) {
    if constexpr (kPathIsWide) {
        return Utf8FromWide(path.wstring());
    } else {
        return path.string();
    }
}

} // namespace kestrow::native
