#include "compound_file_layout.h"

#include "byte_order.h"
#include "compound_file_format.h"

namespace installer_db::cfb {

namespace {

std::uint64_t CeilDivide(std::uint64_t value, std::uint64_t unit) {
    return (value + unit - 1) / unit;
}

// Every stream outside the mini stream starts where the file offset is a multiple of the
// page size, so that a file system that shares blocks between files can clone the
// stream's bytes from the file they come from rather than copy them. A large stream starts
// at a multiple of 64 KiB: where the bytes are copied, the kernel copies markedly faster
// at such an offset than at a 4 KiB one. The sectors skipped stay free; they cost at most
// 4 KiB beside a stream of at least that size, 64 KiB beside megabytes.
constexpr std::uint64_t kStreamAlignment = std::uint64_t{1} << 12;
constexpr std::uint64_t kLargeStreamMinimum = std::uint64_t{1} << 20;
constexpr std::uint64_t kLargeStreamAlignment = std::uint64_t{1} << 16;

std::uint64_t AlignedSector(std::uint64_t sector, std::uint64_t alignment) {
    const std::uint64_t offset = kHeaderSize + sector * kSectorSize;
    const std::uint64_t aligned = CeilDivide(offset, alignment) * alignment;
    return (aligned - kHeaderSize) / kSectorSize;
}

// The allocation table covers itself and its extension sectors, so their counts depend on
// each other; both only grow while iterating, so the loop ends.
void SizeAllocationTables(std::uint64_t otherSectors, std::uint64_t& fatSectors,
                          std::uint64_t& difatSectors) {
    fatSectors = 0;
    difatSectors = 0;
    for (;;) {
        const std::uint64_t total = otherSectors + fatSectors + difatSectors;
        const std::uint64_t fat = CeilDivide(total, kIdsPerSector);
        const std::uint64_t difat =
            fat > kHeaderDifatCount ? CeilDivide(fat - kHeaderDifatCount, kIdsPerDifatSector) : 0;
        if (fat == fatSectors && difat == difatSectors) {
            return;
        }
        fatSectors = fat;
        difatSectors = difat;
    }
}

} // namespace

std::uint64_t CompoundFileLayout::FileSize() const {
    return kHeaderSize + std::uint64_t{totalSectors} * kSectorSize;
}

ContainerError PlanLayout(std::span<const std::uint64_t> streamSizes, std::size_t entryCount,
                          CompoundFileLayout& layout) {
    layout = CompoundFileLayout{};
    std::uint64_t next = 0;
    std::uint64_t nextMini = 0;
    for (const std::uint64_t size : streamSizes) {
        if (size >= kMaxFileSize) {
            return ContainerError::TooLarge;
        }
        const bool small = size < kMiniStreamCutoff;
        const std::uint64_t count = CeilDivide(size, small ? kMiniSectorSize : kSectorSize);
        std::uint64_t& cursor = small ? nextMini : next;
        if (!small) {
            cursor = AlignedSector(cursor, size >= kLargeStreamMinimum ? kLargeStreamAlignment
                                                                       : kStreamAlignment);
        }
        layout.streamStarts.push_back(count == 0 ? kEndOfChain
                                                 : static_cast<std::uint32_t>(cursor));
        if (count > 0) {
            auto& runs = small ? layout.miniSectorRuns : layout.sectorRuns;
            runs.push_back(
                {static_cast<std::uint32_t>(cursor), static_cast<std::uint32_t>(count), 0});
        }
        cursor += count;
        if (next > kMaxFileSize / kSectorSize) {
            return ContainerError::TooLarge;
        }
    }
    layout.miniStreamSize = nextMini * kMiniSectorSize;
    const std::uint64_t miniStreamSectors = CeilDivide(layout.miniStreamSize, kSectorSize);
    const std::uint64_t miniFatSectors = CeilDivide(nextMini, kIdsPerSector);
    const std::uint64_t directorySectors = CeilDivide(entryCount, kEntriesPerSector);
    const std::uint64_t others = next + miniStreamSectors + miniFatSectors + directorySectors;
    std::uint64_t fatSectors = 0;
    std::uint64_t difatSectors = 0;
    SizeAllocationTables(others, fatSectors, difatSectors);
    const std::uint64_t total = others + fatSectors + difatSectors;
    if (kHeaderSize + total * kSectorSize > kMaxFileSize || fatSectors > kMostFatSectors) {
        return ContainerError::TooLarge;
    }
    auto place = [&](std::uint64_t count, std::uint32_t marker, Placement& placement) {
        placement = {static_cast<std::uint32_t>(next), static_cast<std::uint32_t>(count)};
        if (count > 0) {
            layout.sectorRuns.push_back({placement.first, placement.count, marker});
        }
        next += count;
    };
    place(miniStreamSectors, 0, layout.miniStream);
    place(miniFatSectors, 0, layout.miniFat);
    place(directorySectors, 0, layout.directory);
    place(fatSectors, kFatSector, layout.fat);
    place(difatSectors, kDifatSector, layout.difat);
    layout.totalSectors = static_cast<std::uint32_t>(total);
    return ContainerError::None;
}

void FillTableSector(std::span<const SectorRun> runs, std::uint32_t firstId,
                     std::span<std::byte> sector, std::size_t& runIndex) {
    for (std::size_t i = 0; i < kIdsPerSector; ++i) {
        const std::uint64_t id = std::uint64_t{firstId} + i;
        while (runIndex < runs.size() &&
               std::uint64_t{runs[runIndex].first} + runs[runIndex].count <= id) {
            ++runIndex;
        }
        std::uint32_t value = kFreeSector;
        if (runIndex < runs.size() && runs[runIndex].first <= id) {
            const SectorRun& run = runs[runIndex];
            const bool last = id + 1 == std::uint64_t{run.first} + run.count;
            value = run.marker != 0 ? run.marker
                    : last          ? kEndOfChain
                                    : static_cast<std::uint32_t>(id + 1);
        }
        StoreU32(sector, 4 * i, value);
    }
}

} // namespace installer_db::cfb
