#include "load_ui_string.h"

#include "resource_lookup.h"
#include "string_table_rules.h"

namespace kestrow {

std::wstring LoadUiString(UINT id) {
    return LoadUiStringFrom(::GetModuleHandleW(nullptr), id);
}

std::wstring LoadUiStringFrom(HMODULE module, UINT id) {
    const StringLocation location = LocateString(id);
    if (location.kind == StringLocation::Kind::BlockOutOfRange) {
        ::SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return {};
    }
    if (location.kind == StringLocation::Kind::NoBlock) {
        return {};
    }
    const HRSRC block = FindLocalisedResource(module, RT_STRING, MAKEINTRESOURCEW(location.block));
    if (block == nullptr) {
        return {};
    }
    const std::span<const BYTE> bytes = ResourceBytes(module, block);
    const std::span<const char16_t> units(reinterpret_cast<const char16_t*>(bytes.data()),
                                          bytes.size() / sizeof(char16_t));
    const std::u16string text = StringEntryText(units, location.entry);
    return std::wstring(text.begin(), text.end());
}

} // namespace kestrow
