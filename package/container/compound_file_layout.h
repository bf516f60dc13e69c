#pragma once

// Where each part of a new compound file goes. Everything is placed in contiguous runs,
// so the allocation tables follow from the run list and are never held whole in memory.

#include <cstdint>
#include <span>
#include <vector>

#include "container_error.h"

namespace installer_db::cfb {

// A run of consecutive sectors (or mini sectors): a chain, or table sectors marked as such.
struct SectorRun {
    std::uint32_t first = 0;
    std::uint32_t count = 0;
    std::uint32_t marker = 0; // 0 for a chain, else kFatSector or kDifatSector
};

struct Placement {
    std::uint32_t first = 0;
    std::uint32_t count = 0;
};

struct CompoundFileLayout {
    // Per stream, in the order given: its first sector, or first mini sector for small
    // streams; kEndOfChain when empty.
    std::vector<std::uint32_t> streamStarts;
    std::vector<SectorRun> sectorRuns;
    std::vector<SectorRun> miniSectorRuns;
    Placement miniStream;
    std::uint64_t miniStreamSize = 0;
    Placement miniFat;
    Placement directory;
    Placement fat;
    Placement difat;
    std::uint32_t totalSectors = 0;

    std::uint64_t FileSize() const;
};

// Places streams of the given sizes and a directory of entryCount entries (root included).
// Fails with TooLarge when the file would pass the version-3 size limit, or need an
// allocation table larger than other readers accept.
ContainerError PlanLayout(std::span<const std::uint64_t> streamSizes, std::size_t entryCount,
                          CompoundFileLayout& layout);

// Fills one sector of an allocation table whose entries start at firstId, from runs sorted
// by position; runIndex carries the search between consecutive sectors.
void FillTableSector(std::span<const SectorRun> runs, std::uint32_t firstId,
                     std::span<std::byte> sector, std::size_t& runIndex);

} // namespace installer_db::cfb
