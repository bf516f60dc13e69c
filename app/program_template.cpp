#include "program_template.h"

#include <windows.h>

namespace kestrow {

namespace {

constexpr WORD kTemplateResourceId = 104;
constexpr const wchar_t* kTemplateResourceType = L"INSTALLER";

} // namespace

// Resources live as long as the module: there is nothing to release.
std::span<const std::byte> ProgramTemplate() {
    const HMODULE module = ::GetModuleHandleW(nullptr);
    const HRSRC found =
        ::FindResourceW(module, MAKEINTRESOURCEW(kTemplateResourceId), kTemplateResourceType);
    const HGLOBAL loaded = found == nullptr ? nullptr : ::LoadResource(module, found);
    const void* bytes = loaded == nullptr ? nullptr : ::LockResource(loaded);
    if (bytes == nullptr) {
        return {};
    }
    return {static_cast<const std::byte*>(bytes), ::SizeofResource(module, found)};
}

} // namespace kestrow
