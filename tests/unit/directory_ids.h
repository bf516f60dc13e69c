#pragma once

// Rewrites where a compound file in memory keeps its directory entries, to build files
// that other writers produce but ours never does.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "byte_order.h"
#include "compound_file_format.h"

namespace test_support {

// Gives two directory entries each other's id and fixes every link to them, so the file
// holds the same tree with the entries stored in the other order. The file's allocation
// table must fit the header's own sector list.
inline void SwapDirectoryIds(std::vector<std::byte>& file, std::uint32_t a, std::uint32_t b) {
    using namespace installer_db;
    using namespace installer_db::cfb;
    const auto sectorOffset = [](std::uint32_t sector) {
        return kHeaderSize + std::size_t{sector} * kSectorSize;
    };
    const auto next = [&](std::uint32_t sector) {
        const std::uint32_t fatSector =
            LoadU32(file, header::kDifat + 4 * (sector / kIdsPerSector));
        return LoadU32(file, sectorOffset(fatSector) + 4 * (sector % kIdsPerSector));
    };
    std::vector<std::size_t> entries;
    for (std::uint32_t sector = LoadU32(file, header::kFirstDirectorySector); sector != kEndOfChain;
         sector = next(sector)) {
        for (std::size_t i = 0; i < kEntriesPerSector; ++i) {
            entries.push_back(sectorOffset(sector) + i * kDirectoryEntrySize);
        }
    }
    for (const std::size_t entry : entries) {
        for (const std::size_t link : {entry::kLeft, entry::kRight, entry::kChild}) {
            const std::uint32_t id = LoadU32(file, entry + link);
            StoreU32(file, entry + link, id == a ? b : id == b ? a : id);
        }
    }
    std::swap_ranges(file.begin() + static_cast<std::ptrdiff_t>(entries[a]),
                     file.begin() + static_cast<std::ptrdiff_t>(entries[a] + kDirectoryEntrySize),
                     file.begin() + static_cast<std::ptrdiff_t>(entries[b]));
}

} // namespace test_support
