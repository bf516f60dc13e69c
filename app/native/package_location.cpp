#include "package_location.h"

#include "command_line_rules.h"
#include "main_window_rules.h"

namespace kestrow::native {

namespace {

// The rules work on wide text, which here holds one code point a unit; bytes that are not
// UTF-8 keep their value, so that any name the file system gave goes through unchanged.
std::wstring Widen(const std::string& text) {
    std::wstring wide;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        char32_t point = length == 1 ? lead : lead & (0x3F >> (length - 1));
        bool valid = lead < 0x80 || (lead >= 0xC2 && lead <= 0xF4 && i + length <= text.size());
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            valid = (next & 0xC0) == 0x80;
            point = (point << 6) | (next & 0x3F);
        }
        valid = valid && (point < 0xD800 || point > 0xDFFF);
        wide += static_cast<wchar_t>(valid ? point : lead | 0xDC00);
        i += valid ? length : 1;
    }
    return wide;
}

std::string Narrow(const std::wstring& wide) {
    std::string text;
    for (const wchar_t unit : wide) {
        const auto point = static_cast<char32_t>(unit);
        if (point >= 0xDC80 && point <= 0xDCFF) {
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
    return text;
}

} // namespace

bool PackageLocation(const std::string& installer, const std::string& outputFolder,
                     const std::optional<std::string>& packageName,
                     std::filesystem::path& package) {
    std::wstring fileName;
    if (packageName) {
        if (!IsValidPackageName(Widen(*packageName))) {
            return false;
        }
        fileName = PackageFileName(Widen(*packageName));
    } else {
        const std::string installerName = std::filesystem::path(installer).filename().string();
        fileName = FileTitle(Widen(installerName)) + L".msi";
    }
    package = std::filesystem::path(outputFolder) / Narrow(fileName);
    return true;
}

} // namespace kestrow::native
