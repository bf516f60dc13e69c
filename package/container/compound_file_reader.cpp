#include "compound_file_reader.h"

#include <algorithm>
#include <cstring>

#include "byte_order.h"

namespace installer_db::cfb {

namespace {

std::uint64_t SectorOffset(std::uint32_t sector) {
    return kHeaderSize + std::uint64_t{sector} * kSectorSize;
}

std::uint64_t CeilDivide(std::uint64_t value, std::uint64_t unit) {
    return (value + unit - 1) / unit;
}

ContainerError CheckHeader(std::span<const std::byte> header) {
    const bool signatureMatches =
        std::memcmp(header.data(), kSignature.data(), kSignature.size()) == 0;
    const bool layoutMatches = LoadU16(header, header::kMinorVersion) == kMinorVersion &&
                               LoadU16(header, header::kMajorVersion) == kMajorVersion &&
                               LoadU16(header, header::kByteOrder) == kByteOrderMark &&
                               LoadU16(header, header::kSectorShift) == kSectorShift &&
                               LoadU16(header, header::kMiniSectorShift) == kMiniSectorShift &&
                               LoadU32(header, header::kMiniStreamCutoff) == kMiniStreamCutoff;
    return signatureMatches && layoutMatches ? ContainerError::None : ContainerError::Damaged;
}

DirectoryEntry ParseEntry(std::span<const std::byte> bytes, std::uint32_t id) {
    DirectoryEntry entry;
    entry.id = id;
    entry.type = static_cast<EntryType>(std::to_integer<std::uint8_t>(bytes[entry::kType]));
    entry.siblings.color =
        static_cast<EntryColor>(std::to_integer<std::uint8_t>(bytes[entry::kColor]));
    const std::size_t nameBytes = LoadU16(bytes, entry::kNameLength);
    const std::size_t nameUnits = nameBytes >= 2 && nameBytes <= 64 ? nameBytes / 2 - 1 : 0;
    for (std::size_t i = 0; i < nameUnits; ++i) {
        entry.name.push_back(static_cast<char16_t>(LoadU16(bytes, entry::kName + 2 * i)));
    }
    entry.siblings.left = LoadU32(bytes, entry::kLeft);
    entry.siblings.right = LoadU32(bytes, entry::kRight);
    entry.child = LoadU32(bytes, entry::kChild);
    std::copy_n(bytes.begin() + entry::kClassId, entry.attributes.classId.size(),
                entry.attributes.classId.begin());
    entry.attributes.stateBits = LoadU32(bytes, entry::kStateBits);
    entry.attributes.created = LoadU64(bytes, entry::kCreated);
    entry.attributes.modified = LoadU64(bytes, entry::kModified);
    entry.startSector = LoadU32(bytes, entry::kStartSector);
    // Version 3 keeps sizes in the low 32 bits; some writers leave junk above them.
    entry.size = LoadU32(bytes, entry::kSize);
    return entry;
}

bool IsValidObject(const DirectoryEntry& entry) {
    return entry.type == EntryType::Storage || entry.type == EntryType::Stream;
}

} // namespace

class CompoundFileReader::ExtentSource final : public ByteSource {
public:
    ExtentSource(const ReadableBytes& file, std::vector<Extent> extents)
        : file_(file), extents_(std::move(extents)) {}

    ContainerError Read(std::span<std::byte> buffer) override {
        while (!buffer.empty()) {
            if (current_ == extents_.size()) {
                return ContainerError::ReadFailed;
            }
            const Extent& extent = extents_[current_];
            const std::size_t piece = static_cast<std::size_t>(
                std::min<std::uint64_t>(buffer.size(), extent.length - consumed_));
            if (const ContainerError error =
                    file_.ReadAt(extent.offset + consumed_, buffer.first(piece));
                Failed(error)) {
                return error;
            }
            buffer = buffer.subspan(piece);
            consumed_ += piece;
            if (consumed_ == extent.length) {
                ++current_;
                consumed_ = 0;
            }
        }
        return ContainerError::None;
    }

private:
    const ReadableBytes& file_;
    std::vector<Extent> extents_;
    std::size_t current_ = 0;
    std::uint64_t consumed_ = 0;
};

class CompoundFileReader::ExtentBytes final : public ReadableBytes {
public:
    ExtentBytes(const ReadableBytes& file, std::vector<Extent> extents)
        : file_(file), extents_(std::move(extents)) {
        for (const Extent& extent : extents_) {
            starts_.push_back(size_);
            size_ += extent.length;
        }
    }

    ContainerError ReadAt(std::uint64_t offset, std::span<std::byte> buffer) const override {
        if (offset > size_ || buffer.size() > size_ - offset) {
            return ContainerError::ReadFailed;
        }
        // The extent that holds the offset: the last one starting at or before it.
        std::size_t current = static_cast<std::size_t>(
            std::upper_bound(starts_.begin(), starts_.end(), offset) - starts_.begin() - 1);
        while (!buffer.empty()) {
            const std::uint64_t within = offset - starts_[current];
            const std::size_t piece = static_cast<std::size_t>(
                std::min<std::uint64_t>(buffer.size(), extents_[current].length - within));
            if (const ContainerError error =
                    file_.ReadAt(extents_[current].offset + within, buffer.first(piece));
                Failed(error)) {
                return error;
            }
            buffer = buffer.subspan(piece);
            offset += piece;
            ++current;
        }
        return ContainerError::None;
    }

    ContainerError QuerySize(std::uint64_t& size) const override {
        size = size_;
        return ContainerError::None;
    }

private:
    const ReadableBytes& file_;
    std::vector<Extent> extents_;
    std::vector<std::uint64_t> starts_;
    std::uint64_t size_ = 0;
};

ContainerError CompoundFileReader::Open(std::unique_ptr<const ReadableBytes> bytes,
                                        std::unique_ptr<CompoundFileReader>& reader) {
    std::unique_ptr<CompoundFileReader> loaded(new CompoundFileReader(std::move(bytes)));
    if (const ContainerError error = loaded->Load(); Failed(error)) {
        return error;
    }
    reader = std::move(loaded);
    return ContainerError::None;
}

ContainerError CompoundFileReader::Load() {
    if (const ContainerError error = file_->QuerySize(fileSize_); Failed(error)) {
        return error;
    }
    if (fileSize_ < kHeaderSize || fileSize_ > kMaxFileSize) {
        return ContainerError::Damaged;
    }
    sectorCount_ = static_cast<std::uint32_t>(CeilDivide(fileSize_ - kHeaderSize, kSectorSize));
    std::vector<std::byte> header(kHeaderSize);
    if (Failed(file_->ReadAt(0, header)) || Failed(CheckHeader(header))) {
        return ContainerError::Damaged;
    }
    if (const ContainerError error = LoadFat(header); Failed(error)) {
        return error;
    }
    std::vector<DirectoryEntry> raw;
    if (const ContainerError error =
            LoadDirectory(LoadU32(header, header::kFirstDirectorySector), raw);
        Failed(error)) {
        return error;
    }
    if (raw.empty() || raw[0].type != EntryType::Root) {
        return ContainerError::Damaged;
    }
    miniStreamSize_ = raw[0].size;
    if (miniStreamSize_ > 0 && Failed(FollowChain(fat_, raw[0].startSector, miniStreamSectors_))) {
        return ContainerError::Damaged;
    }
    if (miniStreamSectors_.size() < CeilDivide(miniStreamSize_, kSectorSize) ||
        Failed(LoadMiniStream(header))) {
        return ContainerError::Damaged;
    }
    return CollectReachable(raw);
}

ContainerError CompoundFileReader::ReadSector(std::uint32_t sector,
                                              std::span<std::byte> buffer) const {
    if (sector >= sectorCount_ || SectorOffset(sector) + kSectorSize > fileSize_) {
        return ContainerError::Damaged;
    }
    return Failed(file_->ReadAt(SectorOffset(sector), buffer)) ? ContainerError::Damaged
                                                               : ContainerError::None;
}

ContainerError CompoundFileReader::LoadFat(std::span<const std::byte> header) {
    const std::uint32_t fatSectorCount = LoadU32(header, header::kFatSectorCount);
    if (fatSectorCount > sectorCount_) {
        return ContainerError::Damaged;
    }
    std::vector<std::uint32_t> fatSectors;
    for (std::size_t i = 0; i < kHeaderDifatCount && fatSectors.size() < fatSectorCount; ++i) {
        fatSectors.push_back(LoadU32(header, header::kDifat + 4 * i));
    }
    std::uint32_t difatSector = LoadU32(header, header::kFirstDifatSector);
    std::vector<std::byte> sector(kSectorSize);
    for (std::uint32_t visited = 0; fatSectors.size() < fatSectorCount; ++visited) {
        if (visited >= sectorCount_ || Failed(ReadSector(difatSector, sector))) {
            return ContainerError::Damaged;
        }
        for (std::size_t i = 0; i < kIdsPerDifatSector && fatSectors.size() < fatSectorCount; ++i) {
            fatSectors.push_back(LoadU32(sector, 4 * i));
        }
        difatSector = LoadU32(sector, 4 * kIdsPerDifatSector);
    }
    return ReadFatSectors(fatSectors);
}

ContainerError CompoundFileReader::ReadFatSectors(const std::vector<std::uint32_t>& fatSectors) {
    // Allocation-table sectors usually lie side by side; each run of them is read at once.
    constexpr std::size_t kMaxRunSectors = 2048;
    fat_.resize(fatSectors.size() * kIdsPerSector);
    std::vector<std::byte> run;
    for (std::size_t first = 0; first < fatSectors.size();) {
        std::size_t count = 1;
        while (first + count < fatSectors.size() && count < kMaxRunSectors &&
               fatSectors[first + count] == fatSectors[first] + count) {
            ++count;
        }
        const std::uint32_t last = fatSectors[first + count - 1];
        if (fatSectors[first] >= sectorCount_ || last >= sectorCount_ ||
            SectorOffset(last) + kSectorSize > fileSize_) {
            return ContainerError::Damaged;
        }
        run.resize(count * kSectorSize);
        if (Failed(file_->ReadAt(SectorOffset(fatSectors[first]), run))) {
            return ContainerError::Damaged;
        }
        for (std::size_t i = 0; i < count * kIdsPerSector; ++i) {
            fat_[first * kIdsPerSector + i] = LoadU32(run, 4 * i);
        }
        first += count;
    }
    return ContainerError::None;
}

ContainerError CompoundFileReader::FollowChain(const std::vector<std::uint32_t>& table,
                                               std::uint32_t start,
                                               std::vector<std::uint32_t>& chain) const {
    chain.clear();
    // A chain longer than its table has visited some entry twice: it loops.
    for (std::uint32_t current = start; current != kEndOfChain; current = table[current]) {
        if (current >= table.size() || chain.size() >= table.size()) {
            return ContainerError::Damaged;
        }
        chain.push_back(current);
    }
    return ContainerError::None;
}

ContainerError CompoundFileReader::LoadDirectory(std::uint32_t firstSector,
                                                 std::vector<DirectoryEntry>& raw) const {
    std::vector<std::uint32_t> chain;
    if (Failed(FollowChain(fat_, firstSector, chain))) {
        return ContainerError::Damaged;
    }
    std::vector<std::byte> sector(kSectorSize);
    for (const std::uint32_t sectorId : chain) {
        if (Failed(ReadSector(sectorId, sector))) {
            return ContainerError::Damaged;
        }
        for (std::size_t i = 0; i < kEntriesPerSector; ++i) {
            const auto id = static_cast<std::uint32_t>(raw.size());
            raw.push_back(ParseEntry(
                std::span(sector).subspan(i * kDirectoryEntrySize, kDirectoryEntrySize), id));
        }
    }
    return ContainerError::None;
}

ContainerError CompoundFileReader::LoadMiniStream(std::span<const std::byte> header) {
    std::vector<std::uint32_t> chain;
    const std::uint32_t first = LoadU32(header, header::kFirstMiniFatSector);
    if (first != kEndOfChain && Failed(FollowChain(fat_, first, chain))) {
        return ContainerError::Damaged;
    }
    std::vector<std::byte> sector(kSectorSize);
    for (const std::uint32_t sectorId : chain) {
        if (Failed(ReadSector(sectorId, sector))) {
            return ContainerError::Damaged;
        }
        for (std::size_t i = 0; i < kIdsPerSector; ++i) {
            miniFat_.push_back(LoadU32(sector, 4 * i));
        }
    }
    return ContainerError::None;
}

ContainerError CompoundFileReader::CollectReachable(std::vector<DirectoryEntry>& raw) {
    std::vector<std::size_t> parentIds(raw.size(), kNoParent);
    std::vector<bool> reached(raw.size(), false);
    reached[0] = true;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> pending; // (entry id, parent id)
    if (raw[0].child != kNoStream) {
        pending.emplace_back(raw[0].child, 0);
    }
    while (!pending.empty()) {
        const auto [id, parentId] = pending.back();
        pending.pop_back();
        if (id >= raw.size() || reached[id] || !IsValidObject(raw[id])) {
            return ContainerError::Damaged;
        }
        reached[id] = true;
        parentIds[id] = parentId;
        const DirectoryEntry& entry = raw[id];
        for (const std::uint32_t next : {entry.siblings.left, entry.siblings.right}) {
            if (next != kNoStream) {
                pending.emplace_back(next, parentId);
            }
        }
        if (entry.type == EntryType::Storage && entry.child != kNoStream) {
            pending.emplace_back(entry.child, id);
        }
    }
    // A storage may lie after its own children in the directory, so every index is known
    // before any parent is looked up.
    std::vector<std::size_t> indexOfId(raw.size(), kNoParent);
    std::size_t reachedCount = 0;
    for (std::size_t id = 0; id < raw.size(); ++id) {
        if (reached[id]) {
            indexOfId[id] = reachedCount++;
        }
    }
    for (std::size_t id = 0; id < raw.size(); ++id) {
        if (!reached[id]) {
            continue;
        }
        DirectoryEntry entry = raw[id];
        entry.parent = parentIds[id] == kNoParent ? kNoParent : indexOfId[parentIds[id]];
        std::vector<Extent> extents;
        if (entry.type == EntryType::Stream && Failed(StreamExtents(entry, extents))) {
            return ContainerError::Damaged;
        }
        entries_.push_back(std::move(entry));
    }
    return ContainerError::None;
}

ContainerError CompoundFileReader::StreamExtents(const DirectoryEntry& entry,
                                                 std::vector<Extent>& extents) const {
    extents.clear();
    const bool inMiniStream = entry.size < kMiniStreamCutoff;
    const std::vector<std::uint32_t>& table = inMiniStream ? miniFat_ : fat_;
    const std::uint64_t unit = inMiniStream ? kMiniSectorSize : kSectorSize;
    // Only the sectors that hold data are walked; a chain that ends or loops before the
    // stream's size is covered is damage. Neighbouring sectors merge into one extent.
    std::uint64_t remaining = entry.size;
    std::vector<bool> visited(remaining > 0 ? table.size() : 0);
    for (std::uint32_t current = entry.startSector; remaining > 0; current = table[current]) {
        if (current >= table.size() || visited[current]) {
            return ContainerError::Damaged;
        }
        visited[current] = true;
        std::uint64_t offset = SectorOffset(current);
        if (inMiniStream) {
            const std::uint64_t miniOffset = std::uint64_t{current} * kMiniSectorSize;
            if (miniOffset + kMiniSectorSize > miniStreamSectors_.size() * kSectorSize) {
                return ContainerError::Damaged;
            }
            offset = SectorOffset(miniStreamSectors_[miniOffset / kSectorSize]) +
                     miniOffset % kSectorSize;
        }
        const std::uint64_t length = std::min(remaining, unit);
        if (offset + length > fileSize_) {
            return ContainerError::Damaged;
        }
        if (!extents.empty() && extents.back().offset + extents.back().length == offset) {
            extents.back().length += length;
        } else {
            extents.push_back({offset, length});
        }
        remaining -= length;
    }
    return ContainerError::None;
}

std::optional<std::size_t> CompoundFileReader::FindChild(std::size_t parent,
                                                         std::u16string_view name) const {
    for (std::size_t i = 1; i < entries_.size(); ++i) {
        if (entries_[i].parent == parent && CompareEntryNames(entries_[i].name, name) == 0) {
            return i;
        }
    }
    return std::nullopt;
}

ContainerError CompoundFileReader::OpenStream(std::size_t index,
                                              std::unique_ptr<ByteSource>& source) const {
    std::vector<Extent> extents;
    if (const ContainerError error = ExtentsOfStream(index, extents); Failed(error)) {
        return error;
    }
    source = std::make_unique<ExtentSource>(*file_, std::move(extents));
    return ContainerError::None;
}

ContainerError CompoundFileReader::ExtentsOfStream(std::size_t index,
                                                   std::vector<Extent>& extents) const {
    if (index >= entries_.size() || entries_[index].type != EntryType::Stream) {
        return ContainerError::Refused;
    }
    return StreamExtents(entries_[index], extents);
}

ContainerError CompoundFileReader::OpenStreamBytes(std::size_t index,
                                                   std::unique_ptr<ReadableBytes>& bytes) const {
    std::vector<Extent> extents;
    if (const ContainerError error = ExtentsOfStream(index, extents); Failed(error)) {
        return error;
    }
    bytes = std::make_unique<ExtentBytes>(*file_, std::move(extents));
    return ContainerError::None;
}

ContainerError CompoundFileReader::ReadStream(std::size_t index,
                                              std::vector<std::byte>& bytes) const {
    std::unique_ptr<ByteSource> source;
    if (const ContainerError error = OpenStream(index, source); Failed(error)) {
        return error;
    }
    bytes.assign(static_cast<std::size_t>(entries_[index].size), std::byte{0});
    return source->Read(bytes);
}

} // namespace installer_db::cfb
