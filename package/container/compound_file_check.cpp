#include "compound_file_check.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <tuple>
#include <vector>

#include "byte_order.h"
#include "compound_file_format.h"

namespace installer_db::cfb {

namespace {

using Kind = StructureFaultKind;

constexpr std::uint32_t kUnowned = 0;

std::uint64_t SectorOffset(std::uint32_t sector) {
    return kHeaderSize + std::uint64_t{sector} * kSectorSize;
}

std::uint64_t UnitsFor(std::uint64_t bytes, std::uint64_t unit) {
    return (bytes + unit - 1) / unit;
}

bool IsVersion3Header(std::span<const std::byte> header) {
    return std::memcmp(header.data(), kSignature.data(), kSignature.size()) == 0 &&
           LoadU16(header, header::kMinorVersion) == kMinorVersion &&
           LoadU16(header, header::kMajorVersion) == kMajorVersion &&
           LoadU16(header, header::kByteOrder) == kByteOrderMark &&
           LoadU16(header, header::kSectorShift) == kSectorShift &&
           LoadU16(header, header::kMiniSectorShift) == kMiniSectorShift &&
           LoadU32(header, header::kMiniStreamCutoff) == kMiniStreamCutoff;
}

struct Entry {
    std::u16string name;
    EntryType type = EntryType::Empty;
    std::uint32_t left = kNoStream;
    std::uint32_t right = kNoStream;
    std::uint32_t child = kNoStream;
    std::uint32_t start = kEndOfChain;
    std::uint64_t size = 0;
};

Entry ParseEntry(std::span<const std::byte> bytes) {
    Entry entry;
    const std::size_t nameBytes = std::min<std::size_t>(LoadU16(bytes, entry::kNameLength), 64);
    for (std::size_t i = 0; i + 1 < nameBytes / 2; ++i) {
        entry.name.push_back(static_cast<char16_t>(LoadU16(bytes, entry::kName + 2 * i)));
    }
    entry.type = static_cast<EntryType>(std::to_integer<std::uint8_t>(bytes[entry::kType]));
    entry.left = LoadU32(bytes, entry::kLeft);
    entry.right = LoadU32(bytes, entry::kRight);
    entry.child = LoadU32(bytes, entry::kChild);
    entry.start = LoadU32(bytes, entry::kStartSector);
    // Version 3 keeps sizes in the low 32 bits; some writers leave junk above them.
    entry.size = LoadU32(bytes, entry::kSize);
    return entry;
}

// One allocation table and who owns each of its sectors: chains are claimed one by one, so
// that a loop or a sector that two chains share shows at once.
class Allocation {
public:
    Allocation(std::vector<std::uint32_t> table, std::uint64_t usable, bool mini)
        : table_(std::move(table)), owners_(std::min<std::uint64_t>(usable, table_.size())),
          mini_(mini) {}

    const std::vector<std::uint32_t>& Table() const { return table_; }
    std::size_t Usable() const { return owners_.size(); }

    // Claims one sector that is no chain's, such as the FAT's own.
    std::optional<StructureFault> ClaimSector(std::uint32_t sector, const std::string& owner) {
        if (sector >= owners_.size()) {
            return Fault(Kind::PastTheEnd, owner, sector);
        }
        if (owners_[sector] != kUnowned) {
            return StructureFault{Kind::SharedSector, owner, names_[owners_[sector] - 1], sector};
        }
        names_.push_back(owner);
        owners_[sector] = static_cast<std::uint32_t>(names_.size());
        return std::nullopt;
    }

    // Claims a chain that must hold size bytes, in units of this table's sectors; without a
    // size, a chain of any length. The sectors claimed, in order, go to sectors if asked.
    std::optional<StructureFault> ClaimChain(std::uint32_t start, std::optional<std::uint64_t> size,
                                             const std::string& owner,
                                             std::vector<std::uint32_t>* sectors = nullptr) {
        names_.push_back(owner);
        const auto id = static_cast<std::uint32_t>(names_.size());
        const std::uint64_t needed =
            size ? UnitsFor(*size, mini_ ? kMiniSectorSize : kSectorSize) : owners_.size();
        std::uint64_t count = 0;
        std::uint32_t previous = start;
        for (std::uint32_t current = start; current != kEndOfChain; current = table_[current]) {
            if (current > kMaxRegularSector) {
                return Fault(Kind::IntoFreeSpace, owner, count == 0 ? current : previous);
            }
            if (size && count == needed) {
                return Fault(Kind::LongChain, owner, current);
            }
            if (current >= owners_.size()) {
                return Fault(Kind::PastTheEnd, owner, current);
            }
            if (owners_[current] == id) {
                return Fault(Kind::ChainLoops, owner, current);
            }
            if (owners_[current] != kUnowned) {
                return StructureFault{Kind::SharedSector, owner, names_[owners_[current] - 1],
                                      current};
            }
            owners_[current] = id;
            previous = current;
            ++count;
            if (sectors != nullptr) {
                sectors->push_back(current);
            }
        }
        if (count < needed && size) {
            return Fault(Kind::ShortStream, owner, previous);
        }
        return std::nullopt;
    }

private:
    StructureFault Fault(Kind kind, const std::string& owner, std::uint64_t at) const {
        if (mini_ && kind == Kind::PastTheEnd) {
            kind = Kind::BrokenMiniStream;
        }
        return {kind, owner, {}, at};
    }

    std::vector<std::uint32_t> table_;
    std::vector<std::uint32_t> owners_; // 1 + the owner's index in names_; 0 for none
    std::vector<std::string> names_;
    bool mini_;
};

class StructureCheck {
public:
    StructureCheck(const ReadableBytes& file, const EntryNameText& nameText)
        : file_(file), nameText_(nameText) {}

    StructureFault Run() {
        std::vector<std::byte> header(kHeaderSize);
        if (Failed(file_.QuerySize(size_))) {
            return {Kind::ReadFailed, "the file", {}, 0};
        }
        if (size_ < kHeaderSize) {
            return {Kind::Truncated, "the header", {}, 0};
        }
        if (size_ > kMaxFileSize || Failed(file_.ReadAt(0, header)) || !IsVersion3Header(header)) {
            return {Kind::BadHeader, "the header", {}, 0};
        }
        sectorCount_ = (size_ - kHeaderSize) / kSectorSize;
        if (auto fault = LoadFat(header)) {
            return *fault;
        }
        if (auto fault = CheckDirectory(header)) {
            return *fault;
        }
        return {};
    }

private:
    // The FAT's sectors, from the header's DIFAT and the DIFAT chain; each claimed as the
    // FAT's or the DIFAT's, and marked so in the FAT itself.
    std::optional<StructureFault> LoadFat(std::span<const std::byte> header) {
        const std::uint32_t fatCount = LoadU32(header, header::kFatSectorCount);
        if (fatCount > sectorCount_) {
            return StructureFault{Kind::BrokenDifat, "the DIFAT", {}, fatCount};
        }
        std::vector<std::uint32_t> fatSectors;
        for (std::size_t i = 0; i < kHeaderDifatCount && fatSectors.size() < fatCount; ++i) {
            fatSectors.push_back(LoadU32(header, header::kDifat + 4 * i));
        }
        std::vector<std::uint32_t> difatSectors;
        std::vector<std::byte> sector(kSectorSize);
        for (std::uint32_t next = LoadU32(header, header::kFirstDifatSector);
             fatSectors.size() < fatCount; next = LoadU32(sector, 4 * kIdsPerDifatSector)) {
            if (next >= sectorCount_ || difatSectors.size() >= sectorCount_) {
                return StructureFault{Kind::BrokenDifat, "the DIFAT", {}, next};
            }
            if (Failed(file_.ReadAt(SectorOffset(next), sector))) {
                return StructureFault{Kind::ReadFailed, "the DIFAT", {}, next};
            }
            difatSectors.push_back(next);
            for (std::size_t i = 0; i < kIdsPerDifatSector && fatSectors.size() < fatCount; ++i) {
                fatSectors.push_back(LoadU32(sector, 4 * i));
            }
        }
        // Entries for sectors past the file's end could describe nothing: they are not kept.
        std::vector<std::uint32_t> table(
            std::min<std::uint64_t>(fatSectors.size() * kIdsPerSector, sectorCount_));
        for (std::size_t index = 0; index < fatSectors.size(); ++index) {
            if (fatSectors[index] >= sectorCount_) {
                return StructureFault{Kind::PastTheEnd, "the FAT", {}, fatSectors[index]};
            }
            if (Failed(file_.ReadAt(SectorOffset(fatSectors[index]), sector))) {
                return StructureFault{Kind::ReadFailed, "the FAT", {}, fatSectors[index]};
            }
            for (std::size_t i = 0; i < kIdsPerSector && index * kIdsPerSector + i < table.size();
                 ++i) {
                table[index * kIdsPerSector + i] = LoadU32(sector, 4 * i);
            }
        }
        fat_.emplace(std::move(table), sectorCount_, false);
        return ClaimTableSectors(fatSectors, difatSectors);
    }

    std::optional<StructureFault>
    ClaimTableSectors(const std::vector<std::uint32_t>& fatSectors,
                      const std::vector<std::uint32_t>& difatSectors) {
        for (const auto& [sectors, owner, mark] :
             {std::tuple{&fatSectors, "the FAT", kFatSector},
              std::tuple{&difatSectors, "the DIFAT", kDifatSector}}) {
            for (const std::uint32_t sector : *sectors) {
                if (auto fault = fat_->ClaimSector(sector, owner)) {
                    return fault;
                }
                if (sector >= fat_->Table().size() || fat_->Table()[sector] != mark) {
                    return StructureFault{Kind::BrokenDifat, owner, {}, sector};
                }
            }
        }
        return std::nullopt;
    }

    // Reads the directory's chain, then walks its tree from the root and claims the chains
    // of the mini FAT, the mini stream and every stream reached.
    std::optional<StructureFault> CheckDirectory(std::span<const std::byte> header) {
        std::vector<Entry> entries;
        if (auto fault = ReadDirectory(LoadU32(header, header::kFirstDirectorySector), entries)) {
            return fault;
        }
        if (entries.empty() || entries[0].type != EntryType::Root) {
            return StructureFault{Kind::BrokenDirectory, "the directory", {}, 0};
        }
        std::vector<std::uint32_t> reached;
        if (auto fault = WalkTree(entries, reached)) {
            return fault;
        }
        if (auto fault = LoadMiniFat(header, entries[0])) {
            return fault;
        }
        for (const std::uint32_t id : reached) {
            const Entry& entry = entries[id];
            if (entry.type != EntryType::Stream || entry.size == 0) {
                continue;
            }
            const std::string owner = "stream " + NameOf(entry, id);
            Allocation& table = entry.size < kMiniStreamCutoff ? *miniFat_ : *fat_;
            if (auto fault = table.ClaimChain(entry.start, entry.size, owner)) {
                return fault;
            }
        }
        return std::nullopt;
    }

    std::optional<StructureFault> ReadDirectory(std::uint32_t first, std::vector<Entry>& entries) {
        // The directory may be any number of sectors long.
        std::vector<std::uint32_t> chain;
        if (auto fault = fat_->ClaimChain(first, std::nullopt, "the directory", &chain)) {
            return fault;
        }
        std::vector<std::byte> sector(kSectorSize);
        for (const std::uint32_t id : chain) {
            if (Failed(file_.ReadAt(SectorOffset(id), sector))) {
                return StructureFault{Kind::ReadFailed, "the directory", {}, id};
            }
            for (std::size_t i = 0; i < kEntriesPerSector; ++i) {
                entries.push_back(ParseEntry(
                    std::span(sector).subspan(i * kDirectoryEntrySize, kDirectoryEntrySize)));
            }
        }
        return std::nullopt;
    }

    static std::optional<StructureFault> WalkTree(const std::vector<Entry>& entries,
                                                  std::vector<std::uint32_t>& reached) {
        std::vector<bool> seen(entries.size(), false);
        seen[0] = true;
        std::vector<std::uint32_t> pending;
        if (entries[0].child != kNoStream) {
            pending.push_back(entries[0].child);
        }
        while (!pending.empty()) {
            const std::uint32_t id = pending.back();
            pending.pop_back();
            if (id >= entries.size() ||
                (entries[id].type != EntryType::Storage && entries[id].type != EntryType::Stream)) {
                return StructureFault{Kind::BrokenDirectory, "the directory", {}, id};
            }
            if (seen[id]) {
                return StructureFault{Kind::DirectoryCycle, "the directory", {}, id};
            }
            seen[id] = true;
            reached.push_back(id);
            const Entry& entry = entries[id];
            for (const std::uint32_t next : {entry.left, entry.right}) {
                if (next != kNoStream) {
                    pending.push_back(next);
                }
            }
            if (entry.type == EntryType::Storage && entry.child != kNoStream) {
                pending.push_back(entry.child);
            }
        }
        std::sort(reached.begin(), reached.end());
        return std::nullopt;
    }

    // The mini FAT's own chain, and the mini stream's (the root's), which holds as many mini
    // sectors as the root's size.
    std::optional<StructureFault> LoadMiniFat(std::span<const std::byte> header,
                                              const Entry& root) {
        const std::uint32_t first = LoadU32(header, header::kFirstMiniFatSector);
        const std::uint64_t miniFatSectors = LoadU32(header, header::kMiniFatSectorCount);
        if (first != kEndOfChain && (miniFatSectors == 0 || miniFatSectors > sectorCount_)) {
            return StructureFault{Kind::BrokenMiniStream, "the mini FAT", {}, first};
        }
        const std::uint64_t miniFatSize = first == kEndOfChain ? 0 : miniFatSectors * kSectorSize;
        std::vector<std::uint32_t> chain;
        if (auto fault = fat_->ClaimChain(first, miniFatSize, "the mini FAT", &chain)) {
            return fault;
        }
        if (auto fault = fat_->ClaimChain(root.start, root.size, "the mini stream")) {
            return fault;
        }
        std::vector<std::uint32_t> table;
        std::vector<std::byte> sector(kSectorSize);
        for (const std::uint32_t id : chain) {
            if (Failed(file_.ReadAt(SectorOffset(id), sector))) {
                return StructureFault{Kind::ReadFailed, "the mini FAT", {}, id};
            }
            for (std::size_t i = 0; i < kIdsPerSector; ++i) {
                table.push_back(LoadU32(sector, 4 * i));
            }
        }
        miniFat_.emplace(std::move(table), UnitsFor(root.size, kMiniSectorSize), true);
        return std::nullopt;
    }

    std::string NameOf(const Entry& entry, std::uint32_t id) const {
        return nameText_ ? nameText_(entry.name) : std::to_string(id);
    }

    const ReadableBytes& file_;
    const EntryNameText& nameText_;
    std::uint64_t size_ = 0;
    std::uint64_t sectorCount_ = 0;
    std::optional<Allocation> fat_;
    std::optional<Allocation> miniFat_;
};

} // namespace

std::string StructureFault::Describe() const {
    const std::string sector = " sector " + std::to_string(at);
    switch (kind) {
    case Kind::None:
        return "sound";
    case Kind::Truncated:
        return "truncated: the file is shorter than a compound file's header";
    case Kind::BadHeader:
        return "the header is no version-3 compound file's";
    case Kind::BrokenDifat:
        return owner + " is broken at" + sector;
    case Kind::PastTheEnd:
        return owner + " reaches" + sector + ", past the end of the file (truncated?)";
    case Kind::ChainLoops:
        return "the chain of " + owner + " loops at" + sector;
    case Kind::IntoFreeSpace:
        return "the chain of " + owner + " runs into free space after" + sector;
    case Kind::SharedSector:
        return owner + " and " + other + " share" + sector;
    case Kind::ShortStream:
        return "the chain of " + owner + " is short of its size: it ends at" + sector;
    case Kind::LongChain:
        return "the chain of " + owner + " goes on past its size at" + sector;
    case Kind::BrokenDirectory:
        return "the directory is broken at entry " + std::to_string(at);
    case Kind::DirectoryCycle:
        return "the directory reaches entry " + std::to_string(at) + " twice: its tree has a cycle";
    case Kind::BrokenMiniStream:
        return owner + " reaches mini" + sector + ", past the mini stream's end";
    case Kind::ReadFailed:
        break;
    }
    return owner + " cannot be read at" + sector;
}

StructureFault CheckCompoundFile(const ReadableBytes& file, const EntryNameText& nameText) {
    return StructureCheck(file, nameText).Run();
}

} // namespace installer_db::cfb
