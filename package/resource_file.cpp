#include "resource_file.h"

#include <cstring>

#include "win32_handle.h"

namespace kestrow {
namespace {

struct ResourceBytes {
    const void* data = nullptr;
    DWORD size = 0;
};

bool LoadOwnResource(WORD resourceId, const wchar_t* resourceType, ResourceBytes& bytes) {
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(resourceId), resourceType);
    if (found == nullptr) {
        return false;
    }
    // Resources live as long as the module; there is nothing to free.
    HGLOBAL loaded = ::LoadResource(module, found);
    bytes.data = loaded == nullptr ? nullptr : ::LockResource(loaded);
    bytes.size = ::SizeofResource(module, found);
    return bytes.data != nullptr && bytes.size != 0;
}

// The mapping, sized to the resource, also extends the new file to exactly that size.
bool CopyThroughMapping(HANDLE file, const ResourceBytes& bytes) {
    KernelHandle mapping(
        ::CreateFileMappingW(file, nullptr, PAGE_READWRITE, 0, bytes.size, nullptr));
    if (!mapping.IsValid()) {
        return false;
    }
    MappedView view(::MapViewOfFile(mapping.Get(), FILE_MAP_WRITE, 0, 0, bytes.size));
    if (!view.IsValid()) {
        return false;
    }
    std::memcpy(view.Get(), bytes.data, bytes.size);
    return true;
}

} // namespace

bool WriteResourceToFile(WORD resourceId, const wchar_t* resourceType, const wchar_t* filePath) {
    ResourceBytes bytes;
    if (!LoadOwnResource(resourceId, resourceType, bytes)) {
        return false;
    }
    FileHandle file(::CreateFileW(filePath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) {
        return false;
    }
    return CopyThroughMapping(file.Get(), bytes);
}

} // namespace kestrow
