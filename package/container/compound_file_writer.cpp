#include "compound_file_writer.h"

#include <algorithm>

#include "byte_order.h"
#include "compound_file_layout.h"
#include "compound_file_tree.h"

namespace installer_db::cfb {

namespace {

// Big streams are copied through a buffer of this size: few system calls, flat memory.
constexpr std::size_t kCopyBufferSize = std::size_t{1} << 20;
constexpr char16_t kRootName[] = u"Root Entry";

bool IsValidName(std::u16string_view name) {
    return !name.empty() && name.size() <= kMaxNameUnits &&
           name.find_first_of(u"/\\:!") == std::u16string_view::npos;
}

// Entry ids: the root is 0, entry i of the content is i + 1.
ContainerError CheckEntries(const std::vector<NewEntry>& entries) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const NewEntry& entry = entries[i];
        const bool parentIsStorage =
            entry.parent == 0 ||
            (entry.parent <= i && entries[entry.parent - 1].type == EntryType::Storage);
        const bool typeKnown = entry.type == EntryType::Stream || entry.type == EntryType::Storage;
        const bool sourceMatches = entry.type == EntryType::Storage
                                       ? entry.size == 0
                                       : entry.source != nullptr || entry.size == 0;
        if (!parentIsStorage || !typeKnown || !sourceMatches || !IsValidName(entry.name)) {
            return ContainerError::Refused;
        }
    }
    return ContainerError::None;
}

// Sorts each storage's children by name and links them; refuses two equal names.
ContainerError BuildTrees(const std::vector<NewEntry>& entries, std::vector<TreeNode>& nodes,
                          std::vector<std::uint32_t>& childOf) {
    const std::size_t count = entries.size() + 1;
    nodes.assign(count, TreeNode{});
    childOf.assign(count, kNoStream);
    std::vector<std::vector<std::uint32_t>> children(count);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        children[entries[i].parent].push_back(static_cast<std::uint32_t>(i + 1));
    }
    for (std::size_t storage = 0; storage < count; ++storage) {
        auto& ids = children[storage];
        const auto name = [&](std::uint32_t id) -> std::u16string_view {
            return entries[id - 1].name;
        };
        std::stable_sort(ids.begin(), ids.end(), [&](std::uint32_t a, std::uint32_t b) {
            return CompareEntryNames(name(a), name(b)) < 0;
        });
        const auto duplicate = std::adjacent_find(ids.begin(), ids.end(), [&](auto a, auto b) {
            return CompareEntryNames(name(a), name(b)) == 0;
        });
        if (duplicate != ids.end()) {
            return ContainerError::Refused;
        }
        childOf[storage] = BuildSiblingTree(ids, nodes);
    }
    return ContainerError::None;
}

class CompoundFileEmitter {
public:
    CompoundFileEmitter(NewCompoundFile& content, const CompoundFileLayout& layout,
                        PendingFile& output)
        : content_(content), layout_(layout), output_(output) {}

    ContainerError Emit(const std::vector<TreeNode>& nodes,
                        const std::vector<std::uint32_t>& childOf) {
        output_.ExpectSize(layout_.FileSize());
        ContainerError error = WriteHeader();
        std::size_t streamIndex = 0;
        std::uint64_t sector = 0;
        for (std::size_t i = 0; !Failed(error) && i < content_.entries.size(); ++i) {
            NewEntry& entry = content_.entries[i];
            if (entry.type != EntryType::Stream) {
                continue;
            }
            const std::uint32_t start = layout_.streamStarts[streamIndex++];
            if (entry.size >= kMiniStreamCutoff) {
                // Sectors that the layout skipped to align the stream stay free.
                error = output_.WriteZeros((start - sector) * kSectorSize);
                if (!Failed(error)) {
                    error = CopyStream(entry, kSectorSize);
                }
                sector = start + (entry.size + kSectorSize - 1) / kSectorSize;
            }
        }
        if (!Failed(error)) {
            error = WriteMiniStream();
        }
        if (!Failed(error)) {
            error = WriteTable(layout_.miniSectorRuns, layout_.miniFat.count);
        }
        if (!Failed(error)) {
            error = WriteDirectory(nodes, childOf);
        }
        if (!Failed(error)) {
            error = WriteTable(layout_.sectorRuns, layout_.fat.count);
        }
        return Failed(error) ? error : WriteDifat();
    }

private:
    ContainerError WriteHeader() {
        std::vector<std::byte> header(kHeaderSize);
        std::transform(kSignature.begin(), kSignature.end(), header.begin(),
                       [](std::uint8_t value) { return std::byte{value}; });
        StoreU16(header, header::kMinorVersion, kMinorVersion);
        StoreU16(header, header::kMajorVersion, kMajorVersion);
        StoreU16(header, header::kByteOrder, kByteOrderMark);
        StoreU16(header, header::kSectorShift, kSectorShift);
        StoreU16(header, header::kMiniSectorShift, kMiniSectorShift);
        StoreU32(header, header::kFatSectorCount, layout_.fat.count);
        StoreU32(header, header::kFirstDirectorySector, layout_.directory.first);
        StoreU32(header, header::kMiniStreamCutoff, kMiniStreamCutoff);
        StoreU32(header, header::kFirstMiniFatSector, FirstOrEnd(layout_.miniFat));
        StoreU32(header, header::kMiniFatSectorCount, layout_.miniFat.count);
        StoreU32(header, header::kFirstDifatSector, FirstOrEnd(layout_.difat));
        StoreU32(header, header::kDifatSectorCount, layout_.difat.count);
        for (std::uint32_t i = 0; i < kHeaderDifatCount; ++i) {
            StoreU32(header, header::kDifat + 4 * i,
                     i < layout_.fat.count ? layout_.fat.first + i : kFreeSector);
        }
        return output_.Write(header);
    }

    static std::uint32_t FirstOrEnd(const Placement& placement) {
        return placement.count == 0 ? kEndOfChain : placement.first;
    }

    ContainerError CopyStream(NewEntry& entry, std::size_t unit) {
        if (const ContainerError error = entry.source->CopyTo(output_, entry.size, CopyBuffer());
            Failed(error)) {
            return error;
        }
        return Pad(entry.size, unit);
    }

    ContainerError Pad(std::uint64_t written, std::size_t unit) {
        return output_.WriteZeros((unit - written % unit) % unit);
    }

    ContainerError WriteMiniStream() {
        for (NewEntry& entry : content_.entries) {
            if (entry.type == EntryType::Stream && entry.size < kMiniStreamCutoff) {
                if (const ContainerError error = CopyStream(entry, kMiniSectorSize);
                    Failed(error)) {
                    return error;
                }
            }
        }
        return Pad(layout_.miniStreamSize, kSectorSize);
    }

    ContainerError WriteTable(const std::vector<SectorRun>& runs, std::uint32_t sectorCount) {
        std::vector<std::byte> sector(kSectorSize);
        std::size_t runIndex = 0;
        for (std::uint32_t i = 0; i < sectorCount; ++i) {
            FillTableSector(runs, static_cast<std::uint32_t>(i * kIdsPerSector), sector, runIndex);
            if (const ContainerError error = output_.Write(sector); Failed(error)) {
                return error;
            }
        }
        return ContainerError::None;
    }

    ContainerError WriteDirectory(const std::vector<TreeNode>& nodes,
                                  const std::vector<std::uint32_t>& childOf) {
        std::vector<std::byte> directory(std::size_t{layout_.directory.count} * kSectorSize);
        const std::uint32_t miniStart =
            layout_.miniStream.count == 0 ? kEndOfChain : layout_.miniStream.first;
        WriteEntry(directory, 0, kRootName, EntryType::Root, content_.root, nodes[0], childOf[0],
                   miniStart, layout_.miniStreamSize);
        std::size_t streamIndex = 0;
        for (std::size_t i = 0; i < content_.entries.size(); ++i) {
            const NewEntry& entry = content_.entries[i];
            const bool stream = entry.type == EntryType::Stream;
            const std::uint32_t start = stream ? layout_.streamStarts[streamIndex++] : kEndOfChain;
            WriteEntry(directory, i + 1, entry.name, entry.type, entry.attributes, nodes[i + 1],
                       childOf[i + 1], stream ? start : 0, entry.size);
        }
        for (std::size_t id = content_.entries.size() + 1;
             id < directory.size() / kDirectoryEntrySize; ++id) {
            WriteFreeEntry(directory, id);
        }
        return output_.Write(directory);
    }

    static void WriteEntry(std::span<std::byte> directory, std::size_t id, std::u16string_view name,
                           EntryType type, const EntryAttributes& attributes, const TreeNode& node,
                           std::uint32_t child, std::uint32_t start, std::uint64_t size) {
        const std::span<std::byte> bytes =
            directory.subspan(id * kDirectoryEntrySize, kDirectoryEntrySize);
        for (std::size_t i = 0; i < name.size(); ++i) {
            StoreU16(bytes, entry::kName + 2 * i, name[i]);
        }
        StoreU16(bytes, entry::kNameLength, static_cast<std::uint16_t>(2 * (name.size() + 1)));
        bytes[entry::kType] = static_cast<std::byte>(type);
        bytes[entry::kColor] = static_cast<std::byte>(node.color);
        StoreU32(bytes, entry::kLeft, node.left);
        StoreU32(bytes, entry::kRight, node.right);
        StoreU32(bytes, entry::kChild, child);
        std::copy(attributes.classId.begin(), attributes.classId.end(),
                  bytes.begin() + entry::kClassId);
        StoreU32(bytes, entry::kStateBits, attributes.stateBits);
        StoreU64(bytes, entry::kCreated, attributes.created);
        StoreU64(bytes, entry::kModified, attributes.modified);
        StoreU32(bytes, entry::kStartSector, start);
        StoreU64(bytes, entry::kSize, size);
    }

    static void WriteFreeEntry(std::span<std::byte> directory, std::size_t id) {
        const std::span<std::byte> bytes =
            directory.subspan(id * kDirectoryEntrySize, kDirectoryEntrySize);
        StoreU32(bytes, entry::kLeft, kNoStream);
        StoreU32(bytes, entry::kRight, kNoStream);
        StoreU32(bytes, entry::kChild, kNoStream);
    }

    ContainerError WriteDifat() {
        std::vector<std::byte> sector(kSectorSize);
        std::uint32_t fatIndex = kHeaderDifatCount;
        for (std::uint32_t i = 0; i < layout_.difat.count; ++i) {
            for (std::size_t slot = 0; slot < kIdsPerDifatSector; ++slot, ++fatIndex) {
                StoreU32(sector, 4 * slot,
                         fatIndex < layout_.fat.count ? layout_.fat.first + fatIndex : kFreeSector);
            }
            const bool last = i + 1 == layout_.difat.count;
            StoreU32(sector, 4 * kIdsPerDifatSector,
                     last ? kEndOfChain : layout_.difat.first + i + 1);
            if (const ContainerError error = output_.Write(sector); Failed(error)) {
                return error;
            }
        }
        return ContainerError::None;
    }

    std::span<std::byte> CopyBuffer() {
        if (copyBuffer_.empty()) {
            copyBuffer_.resize(kCopyBufferSize);
        }
        return copyBuffer_;
    }

    NewCompoundFile& content_;
    const CompoundFileLayout& layout_;
    PendingFile& output_;
    std::vector<std::byte> copyBuffer_;
};

} // namespace

ContainerError WriteCompoundFile(NewCompoundFile& content, PendingFile& output) {
    if (const ContainerError error = CheckEntries(content.entries); Failed(error)) {
        return error;
    }
    std::vector<TreeNode> nodes;
    std::vector<std::uint32_t> childOf;
    if (const ContainerError error = BuildTrees(content.entries, nodes, childOf); Failed(error)) {
        return error;
    }
    std::vector<std::uint64_t> streamSizes;
    for (const NewEntry& entry : content.entries) {
        if (entry.type == EntryType::Stream) {
            streamSizes.push_back(entry.size);
        }
    }
    CompoundFileLayout layout;
    if (const ContainerError error = PlanLayout(streamSizes, content.entries.size() + 1, layout);
        Failed(error)) {
        return error;
    }
    return CompoundFileEmitter(content, layout, output).Emit(nodes, childOf);
}

} // namespace installer_db::cfb
