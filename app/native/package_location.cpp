#include "package_location.h"

#include "package_name.h"

namespace kestrow::native {

namespace {

// The lead byte of an escaped byte: a lone low surrogate, which valid UTF-8 never gives.
constexpr char32_t kEscapedByte = 0xDC00;

// The smallest code point that needs each length; anything below it is an overlong form,
// which could otherwise smuggle a "/" or a NUL past every check of the name.
constexpr char32_t kSmallestOfLength[] = {0, 0, 0x80, 0x800, 0x10000};

std::size_t SequenceLength(unsigned char lead) {
    return lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
}

bool IsScalarValue(char32_t point) {
    return point <= 0x10FFFF && (point < 0xD800 || point > 0xDFFF);
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
    if (point < kSmallestOfLength[length] || !IsScalarValue(point)) {
        length = 0;
        return 0;
    }
    return point;
}

// The rules work on wide text, which here holds one code point a unit; a byte that is not
// part of valid UTF-8 keeps its value, so that any name the file system gave goes through
// unchanged.
std::wstring Widen(std::string_view text) {
    std::wstring wide;
    for (std::size_t i = 0; i < text.size();) {
        std::size_t length = 0;
        const char32_t point = DecodeOne(text.substr(i), length);
        if (length == 0) {
            wide += static_cast<wchar_t>(kEscapedByte | static_cast<unsigned char>(text[i]));
            i += 1;
        } else {
            wide += static_cast<wchar_t>(point);
            i += length;
        }
    }
    return wide;
}

void AppendUtf8(char32_t point, std::string& text) {
    if (point >= kEscapedByte + 0x80 && point <= kEscapedByte + 0xFF) {
        text += static_cast<char>(point & 0xFF);
    } else if (point < 0x80) {
        text += static_cast<char>(point);
    } else if (point < 0x800) {
        text += static_cast<char>(0xC0 | (point >> 6));
        text += static_cast<char>(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
        text += static_cast<char>(0xE0 | (point >> 12));
        text += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (point & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | (point >> 18));
        text += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (point & 0x3F));
    }
}

std::string Narrow(const std::wstring& wide) {
    std::string text;
    for (const wchar_t unit : wide) {
        AppendUtf8(static_cast<char32_t>(unit), text);
    }
    return text;
}

} // namespace

NameFault PackageLocation(const std::string& installer, const std::string& outputFolder,
                          const std::optional<std::string>& packageName,
                          std::filesystem::path& package) {
    std::wstring fileName;
    if (packageName) {
        const std::wstring name = Widen(*packageName);
        if (HoldsPathSeparator(name)) {
            return NameFault::HoldsFolder;
        }
        if (!IsValidPackageName(name)) {
            return NameFault::NotAName;
        }
        fileName = PackageFileName(name);
    } else {
        // The last component of a POSIX path holds no "/", and its title plus ".msi" is
        // never "." or "..".
        const std::string installerName = std::filesystem::path(installer).filename().string();
        fileName = FileTitle(Widen(installerName)) + L".msi";
    }
    package = std::filesystem::path(outputFolder) / Narrow(fileName);
    return NameFault::None;
}

} // namespace kestrow::native
