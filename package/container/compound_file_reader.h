#pragma once

// Reads a version-3 compound file: checks its header and allocation tables, walks its
// directory, and hands out the streams piece by piece without loading them whole.
// Every id and length read from the file is checked against the file's own size, so a
// damaged file gives an error code and never an unbounded allocation.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "byte_source.h"
#include "compound_file_format.h"
#include "compound_file_tree.h"
#include "container_error.h"
#include "file_io.h"
#include "readable_bytes.h"

namespace installer_db::cfb {

inline constexpr std::size_t kNoParent = static_cast<std::size_t>(-1);

struct DirectoryEntry {
    std::uint32_t id = 0;
    std::u16string name;
    EntryType type = EntryType::Empty;
    std::size_t parent = kNoParent; // index into Entries(); the root has none
    std::uint64_t size = 0;
    std::uint32_t startSector = kEndOfChain;
    EntryAttributes attributes;
    TreeNode siblings;
    std::uint32_t child = kNoStream;
};

class CompoundFileReader {
public:
    // Damage of any kind gives Damaged; file errors pass through.
    static ContainerError Open(std::unique_ptr<const ReadableBytes> bytes,
                               std::unique_ptr<CompoundFileReader>& reader);

    // The root first, then every entry reachable from it, in directory order.
    const std::vector<DirectoryEntry>& Entries() const { return entries_; }
    std::optional<std::size_t> FindChild(std::size_t parent, std::u16string_view name) const;

    // The source reads this reader's file and must not outlive it.
    ContainerError OpenStream(std::size_t index, std::unique_ptr<ByteSource>& source) const;
    ContainerError ReadStream(std::size_t index, std::vector<std::byte>& bytes) const;
    // A stream's bytes at any offset, for readers that look into its middle; the bytes read
    // this reader's file and must not outlive it.
    ContainerError OpenStreamBytes(std::size_t index, std::unique_ptr<ReadableBytes>& bytes) const;

private:
    struct Extent {
        std::uint64_t offset;
        std::uint64_t length;
    };
    class ExtentSource;
    class ExtentBytes;

    explicit CompoundFileReader(std::unique_ptr<const ReadableBytes> file)
        : file_(std::move(file)) {}
    ContainerError Load();
    ContainerError ReadSector(std::uint32_t sector, std::span<std::byte> buffer) const;
    ContainerError LoadFat(std::span<const std::byte> header);
    ContainerError ReadFatSectors(const std::vector<std::uint32_t>& fatSectors);
    ContainerError LoadDirectory(std::uint32_t firstSector, std::vector<DirectoryEntry>& raw) const;
    ContainerError LoadMiniStream(std::span<const std::byte> header);
    ContainerError CollectReachable(std::vector<DirectoryEntry>& raw);
    ContainerError FollowChain(const std::vector<std::uint32_t>& table, std::uint32_t start,
                               std::vector<std::uint32_t>& chain) const;
    ContainerError StreamExtents(const DirectoryEntry& entry, std::vector<Extent>& extents) const;
    ContainerError ExtentsOfStream(std::size_t index, std::vector<Extent>& extents) const;

    std::unique_ptr<const ReadableBytes> file_;
    std::uint64_t fileSize_ = 0;
    std::uint32_t sectorCount_ = 0;
    std::vector<std::uint32_t> fat_;
    std::vector<std::uint32_t> miniFat_;
    std::vector<std::uint32_t> miniStreamSectors_;
    std::uint64_t miniStreamSize_ = 0;
    std::vector<DirectoryEntry> entries_;
};

} // namespace installer_db::cfb
