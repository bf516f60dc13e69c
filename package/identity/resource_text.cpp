#include "resource_text.h"

#include "text_encoding.h"

namespace kestrow::identity {

namespace {

constexpr std::uint32_t kUtf8CodePage = 65001;
constexpr char16_t kReplacement = 0xFFFD;

// Unicode's White_Space characters, the same on every system: a locale's idea of white
// space would make the name depend on where kestrow runs.
bool IsWhiteSpace(char16_t unit) {
    return (unit >= 0x09 && unit <= 0x0D) || unit == 0x20 || unit == 0x85 || unit == 0xA0 ||
           unit == 0x1680 || (unit >= 0x2000 && unit <= 0x200A) || unit == 0x2028 ||
           unit == 0x2029 || unit == 0x202F || unit == 0x205F || unit == 0x3000;
}

bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// The UTF-8 conversion refuses a surrogate without its partner; the file's text may hold one.
std::u16string WithPairedSurrogatesOnly(std::u16string_view text) {
    std::u16string paired(text);
    for (std::size_t i = 0; i < paired.size(); ++i) {
        if (IsHighSurrogate(paired[i]) && i + 1 < paired.size() && IsLowSurrogate(paired[i + 1])) {
            ++i;
        } else if (IsHighSurrogate(paired[i]) || IsLowSurrogate(paired[i])) {
            paired[i] = kReplacement;
        }
    }
    return paired;
}

} // namespace

std::string TrimmedUtf8(std::u16string_view text) {
    while (!text.empty() && IsWhiteSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsWhiteSpace(text.back())) {
        text.remove_suffix(1);
    }
    std::string bytes;
    // With every surrogate paired, the conversion takes any text.
    installer_db::EncodeForCodePage(kUtf8CodePage, WithPairedSurrogatesOnly(text), bytes);
    return bytes;
}

} // namespace kestrow::identity
