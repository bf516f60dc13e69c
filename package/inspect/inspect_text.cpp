#include "inspect_text.h"

#include "text_encoding.h"

namespace kestrow::inspect {

namespace {

constexpr std::uint32_t kUtf8CodePage = 65001;

bool IsSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDFFF;
}

// Lone surrogates out, pairs kept.
std::u16string WithoutLoneSurrogates(std::u16string_view text) {
    std::u16string sound(text);
    for (std::size_t i = 0; i < sound.size(); ++i) {
        const bool pair = i + 1 < sound.size() && sound[i] >= 0xD800 && sound[i] <= 0xDBFF &&
                          sound[i + 1] >= 0xDC00 && sound[i + 1] <= 0xDFFF;
        if (pair) {
            ++i;
        } else if (IsSurrogate(sound[i])) {
            sound[i] = u'\uFFFD';
        }
    }
    return sound;
}

} // namespace

std::string Utf8(std::u16string_view text) {
    std::string bytes;
    installer_db::EncodeForCodePage(kUtf8CodePage, WithoutLoneSurrogates(text), bytes);
    return bytes;
}

std::string CellText(const installer_db::CellValue& value) {
    if (const auto* text = std::get_if<std::u16string>(&value)) {
        return Utf8(*text);
    }
    if (const auto* number = std::get_if<std::int32_t>(&value)) {
        return std::to_string(*number);
    }
    return "(null)";
}

} // namespace kestrow::inspect
