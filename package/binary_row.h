#pragma once

#include <filesystem>
#include <string_view>

#include "installer_error.h"

namespace kestrow {

// Stores a file as the stream of the Binary table row with the given key, inserting the
// row or replacing the one there, and commits the database. Every handle it opens is
// closed again, in the reverse order, on every path.
installer_db::ErrorCode AssignBinaryRow(const std::filesystem::path& database,
                                        std::wstring_view key,
                                        const std::filesystem::path& streamFile);

} // namespace kestrow
