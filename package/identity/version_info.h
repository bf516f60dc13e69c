#pragma once

// The version resource's own data: a tree of blocks (VS_VERSIONINFO) holding the fixed
// numeric versions and the string tables.

#include <cstddef>
#include <cstdint>
#include <span>

#include "version_resource.h"

namespace kestrow::identity {

// The language taken where the file offers several and names none.
inline constexpr std::uint32_t kUsEnglish = 0x0409;

// Reads the strings of the table that the first translation names, else of the U.S. English
// one, else of the first; a table without them leaves them empty. Damaged when a block runs
// outside its parent or the data is no VS_VERSION_INFO block.
VersionResourceFault ParseVersionInfo(std::span<const std::byte> data, VersionStrings& strings);

} // namespace kestrow::identity
