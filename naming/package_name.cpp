#include "package_name.h"

#include <cwctype>

namespace kestrow {

namespace {

constexpr wchar_t kPackageExtension[] = L".msi";

bool IsWhiteSpace(wchar_t character) {
    return std::iswspace(static_cast<std::wint_t>(character)) != 0;
}

} // namespace

std::wstring FileTitle(std::wstring_view fileName) {
    return std::wstring(fileName.substr(0, fileName.rfind(L'.')));
}

std::wstring TrimWhiteSpace(const std::wstring& text) {
    std::size_t first = 0;
    std::size_t end = text.size();
    while (first < end && IsWhiteSpace(text[first])) {
        ++first;
    }
    while (end > first && IsWhiteSpace(text[end - 1])) {
        --end;
    }
    return text.substr(first, end - first);
}

bool IsValidPackageName(const std::wstring& packageNameText) {
    const std::wstring name = TrimWhiteSpace(packageNameText);
    return !name.empty() && name != kPackageExtension;
}

std::wstring PackageFileName(const std::wstring& packageNameText) {
    if (packageNameText.find(kPackageExtension) != std::wstring::npos) {
        return TrimWhiteSpace(packageNameText);
    }
    return TrimWhiteSpace(packageNameText + kPackageExtension);
}

bool HoldsPathSeparator(std::wstring_view text) {
    return text.find_first_of(L"/\\:") != std::wstring_view::npos;
}

} // namespace kestrow
