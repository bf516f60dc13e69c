#include "file_find.h"

#include <windows.h>

#include "win32_handle.h"

namespace kestrow {

std::optional<std::wstring> FindStoredFileName(const std::wstring& path) {
    WIN32_FIND_DATAW found{};
    const FindHandle search(::FindFirstFileW(path.c_str(), &found));
    if (!search.IsValid()) {
        return std::nullopt;
    }
    return std::wstring(found.cFileName);
}

} // namespace kestrow
