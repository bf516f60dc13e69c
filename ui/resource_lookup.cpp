#include "resource_lookup.h"

#include "ui_language.h"

namespace kestrow {

HRSRC FindLocalisedResource(HMODULE module, LPCWSTR type, LPCWSTR id, LANGID language) {
    const LANGID preferredLanguage = language != 0 ? language : UiLanguage;
    if (const HRSRC preferred = ::FindResourceExW(module, type, id, preferredLanguage)) {
        return preferred;
    }
    return ::FindResourceW(module, id, type);
}

std::span<const BYTE> ResourceBytes(HMODULE module, HRSRC resource) {
    const HGLOBAL loaded = ::LoadResource(module, resource);
    const auto* bytes = static_cast<const BYTE*>(loaded ? ::LockResource(loaded) : nullptr);
    if (bytes == nullptr) {
        return {};
    }
    return {bytes, ::SizeofResource(module, resource)};
}

} // namespace kestrow
