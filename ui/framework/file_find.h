#pragma once

#include <optional>
#include <string>

namespace kestrow {

// The name, as stored on disk, of the first file that the path names; nothing when there is
// none.
std::optional<std::wstring> FindStoredFileName(const std::wstring& path);

} // namespace kestrow
