#include "folder_browser.h"

#include "com_apartment.h"
#include "win32_handle.h"

namespace kestrow {

namespace {

// Items of the shell's namespace are released through the shell's own allocator.
struct ShellItemTraits {
    using Handle = PIDLIST_ABSOLUTE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle item) {
        IMalloc* allocator = nullptr;
        if (SUCCEEDED(::SHGetMalloc(&allocator))) {
            allocator->Free(item);
            allocator->Release();
        }
    }
};
using ShellItem = UniqueHandle<ShellItemTraits>;

} // namespace

std::optional<std::wstring> BrowseForFolder(HWND owner, const std::wstring& title,
                                            BFFCALLBACK callback, LPARAM callbackValue) {
    const ComApartment apartment;
    BROWSEINFOW request{};
    request.hwndOwner = owner;
    request.lpszTitle = title.c_str();
    request.ulFlags = BIF_NEWDIALOGSTYLE;
    request.lpfn = callback;
    request.lParam = callbackValue;
    const ShellItem chosen(::SHBrowseForFolderW(&request));
    if (!chosen.IsValid()) {
        return std::nullopt;
    }
    wchar_t path[MAX_PATH] = {};
    ::SHGetPathFromIDListW(chosen.Get(), path); // leaves the path empty for a virtual item
    return std::wstring(path);
}

} // namespace kestrow
