#include "version_resource.h"

#include <algorithm>
#include <array>
#include <vector>

#include "byte_order.h"
#include "program_headers.h"
#include "version_info.h"

namespace kestrow::identity {

namespace {

using installer_db::LoadU16;
using installer_db::LoadU32;
using Fault = VersionResourceFault;

constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::size_t kSectionAddressAt = 12;
constexpr std::size_t kSectionStoredSizeAt = 16;
constexpr std::size_t kSectionStoredAt = 20;
constexpr std::size_t kResourceDirectoryHeaderSize = 16;
constexpr std::size_t kNamedEntryCountAt = 12;
constexpr std::size_t kIdEntryCountAt = 14;
constexpr std::size_t kResourceEntrySize = 8;
constexpr std::size_t kResourceDataEntrySize = 16;
constexpr std::size_t kDataAddressAt = 0;
constexpr std::size_t kDataSizeAt = 4;
constexpr std::uint32_t kSubdirectory = 0x80000000;
constexpr std::uint32_t kVersionType = 16;
// A version block's length is 16 bits wide: more can hold nothing it needs.
constexpr std::uint64_t kVersionDataLimit = 64 * 1024;

// The file, read only inside its size: a read past the end means a damaged length or offset,
// never a failing disk.
class ProgramFile {
public:
    ProgramFile(const ReadBytesAt& read, std::uint64_t size) : read_(read), size_(size) {}

    std::uint64_t Size() const { return size_; }
    bool Holds(std::uint64_t offset, std::uint64_t length) const {
        return offset <= size_ && length <= size_ - offset;
    }
    Fault Read(std::uint64_t offset, std::span<std::byte> buffer) const {
        if (!Holds(offset, buffer.size())) {
            return Fault::Damaged;
        }
        return read_(offset, buffer) ? Fault::None : Fault::ReadFailed;
    }

private:
    const ReadBytesAt& read_;
    std::uint64_t size_;
};

// A stretch of the file; reads inside it count from its start.
struct FileRange {
    std::uint64_t offset = 0;
    std::uint64_t size = 0;

    Fault Read(const ProgramFile& file, std::uint64_t at, std::span<std::byte> buffer) const {
        if (at > size || buffer.size() > size - at) {
            return Fault::Damaged;
        }
        return file.Read(offset + at, buffer);
    }
};

// What a fault of the program's headers says about its version resource.
Fault FaultOf(program::HeaderFault fault) {
    switch (fault) {
    case program::HeaderFault::None:
        return Fault::None;
    case program::HeaderFault::NotAProgram:
        return Fault::NotAProgram;
    case program::HeaderFault::Damaged:
        return Fault::Damaged;
    case program::HeaderFault::ReadFailed:
        break;
    }
    return Fault::ReadFailed;
}

// Where an address of the loaded program lies in the file: from there to the end of its
// section's data, as far as the file holds it.
Fault FindInFile(const ProgramFile& file, const program::ProgramHeaders& headers,
                 std::uint32_t address, FileRange& range) {
    for (std::uint32_t index = 0; index < headers.sectionCount; ++index) {
        std::array<std::byte, kSectionHeaderSize> section;
        const Fault fault = file.Read(headers.sectionTable + index * kSectionHeaderSize, section);
        if (fault != Fault::None) {
            return fault;
        }
        const std::uint32_t start = LoadU32(section, kSectionAddressAt);
        const std::uint32_t storedSize = LoadU32(section, kSectionStoredSizeAt);
        const std::uint64_t storedAt = LoadU32(section, kSectionStoredAt);
        if (address >= start && address - start < storedSize) {
            const std::uint64_t offset = storedAt + (address - start);
            const std::uint64_t end = std::min(storedAt + storedSize, file.Size());
            if (offset >= end) {
                return Fault::Damaged;
            }
            range = {offset, end - offset};
            return Fault::None;
        }
    }
    return Fault::Damaged;
}

struct ResourceEntry {
    std::uint32_t id = 0; // or a name's offset, with the high bit set
    std::uint32_t target = 0;
};

bool LeadsToDirectory(const ResourceEntry& entry) {
    return (entry.target & kSubdirectory) != 0;
}

// The resource directories, their offsets counted from the start of the resource data. Each
// look-up takes the entry that leads to the directory.
class ResourceTree {
public:
    ResourceTree(const ProgramFile& file, const FileRange& area) : file_(file), area_(area) {}

    // Among the entries with ids, which follow the named ones; NoVersionResource without it.
    Fault FindId(const ResourceEntry& parent, std::uint32_t id, ResourceEntry& entry) const {
        std::uint32_t named = 0;
        std::uint32_t total = 0;
        Fault fault = CountEntries(parent, named, total);
        for (std::uint32_t index = named; index < total && fault == Fault::None; ++index) {
            fault = ReadEntry(parent, index, entry);
            if (fault == Fault::None && entry.id == id) {
                return fault;
            }
        }
        return fault == Fault::None ? Fault::NoVersionResource : fault;
    }

    Fault First(const ResourceEntry& parent, ResourceEntry& entry) const {
        std::uint32_t named = 0;
        std::uint32_t total = 0;
        const Fault fault = CountEntries(parent, named, total);
        if (fault != Fault::None) {
            return fault;
        }
        return total == 0 ? Fault::NoVersionResource : ReadEntry(parent, 0, entry);
    }

    // The entry with the id when there is one, else the first.
    Fault Preferred(const ResourceEntry& parent, std::uint32_t id, ResourceEntry& entry) const {
        const Fault fault = FindId(parent, id, entry);
        return fault == Fault::NoVersionResource ? First(parent, entry) : fault;
    }

    Fault Read(std::uint64_t offset, std::span<std::byte> buffer) const {
        return area_.Read(file_, offset, buffer);
    }

private:
    Fault CountEntries(const ResourceEntry& parent, std::uint32_t& named,
                       std::uint32_t& total) const {
        std::array<std::byte, kResourceDirectoryHeaderSize> header;
        const Fault fault = LeadsToDirectory(parent) ? Read(parent.target & ~kSubdirectory, header)
                                                     : Fault::Damaged;
        if (fault == Fault::None) {
            named = LoadU16(header, kNamedEntryCountAt);
            total = named + LoadU16(header, kIdEntryCountAt);
        }
        return fault;
    }

    Fault ReadEntry(const ResourceEntry& parent, std::uint32_t index, ResourceEntry& entry) const {
        std::array<std::byte, kResourceEntrySize> bytes;
        const Fault fault =
            Read(std::uint64_t{parent.target & ~kSubdirectory} + kResourceDirectoryHeaderSize +
                     std::uint64_t{index} * kResourceEntrySize,
                 bytes);
        if (fault == Fault::None) {
            entry = {LoadU32(bytes, 0), LoadU32(bytes, 4)};
        }
        return fault;
    }

    const ProgramFile& file_;
    FileRange area_;
};

// Type, then name, then language: the walk takes three steps whatever the offsets say, so a
// directory that leads back to one before it ends it instead of looping. Of the languages, the
// one the string tables prefer too.
Fault FindVersionDataEntry(const ResourceTree& tree, std::uint32_t& dataEntryAt) {
    constexpr ResourceEntry kRoot{0, kSubdirectory};
    ResourceEntry type;
    ResourceEntry name;
    ResourceEntry language;
    Fault fault = tree.FindId(kRoot, kVersionType, type);
    if (fault == Fault::None) {
        fault = tree.First(type, name);
    }
    if (fault == Fault::None) {
        fault = tree.Preferred(name, kUsEnglish, language);
    }
    if (fault == Fault::None && LeadsToDirectory(language)) {
        fault = Fault::Damaged;
    }
    dataEntryAt = language.target;
    return fault;
}

// Where the version data lies in the file, and its size as its entry gives it.
Fault LocateVersionData(const ProgramFile& file, const program::ProgramHeaders& headers,
                        FileRange& stored, std::uint32_t& size) {
    const std::uint32_t resourceAddress = headers.directories[program::kResourceDirectory].address;
    if (resourceAddress == 0) {
        return Fault::NoVersionResource;
    }
    FileRange area;
    if (const Fault fault = FindInFile(file, headers, resourceAddress, area);
        fault != Fault::None) {
        return fault;
    }
    const ResourceTree tree(file, area);
    std::uint32_t dataEntryAt = 0;
    if (const Fault fault = FindVersionDataEntry(tree, dataEntryAt); fault != Fault::None) {
        return fault;
    }
    std::array<std::byte, kResourceDataEntrySize> dataEntry;
    if (const Fault fault = tree.Read(dataEntryAt, dataEntry); fault != Fault::None) {
        return fault;
    }
    size = LoadU32(dataEntry, kDataSizeAt);
    return FindInFile(file, headers, LoadU32(dataEntry, kDataAddressAt), stored);
}

} // namespace

VersionResourceFault ReadVersionResource(const ReadBytesAt& read, std::uint64_t fileSize,
                                         VersionStrings& strings) {
    strings = {};
    const ProgramFile file(read, fileSize);
    program::ProgramHeaders headers;
    FileRange stored;
    std::uint32_t size = 0;
    Fault fault = FaultOf(program::ReadProgramHeaders(read, fileSize, headers));
    if (fault == Fault::None) {
        fault = LocateVersionData(file, headers, stored, size);
    }
    if (fault != Fault::None) {
        return fault;
    }
    std::vector<std::byte> data(std::min<std::uint64_t>(size, kVersionDataLimit));
    fault = stored.Read(file, 0, data);
    return fault == Fault::None ? ParseVersionInfo(data, strings) : fault;
}

} // namespace kestrow::identity
