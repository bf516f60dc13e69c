#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

#include "byte_order.h"
#include "compound_file_check.h"
#include "compound_file_format.h"
#include "compound_file_reader.h"
#include "compound_file_support.h"
#include "compound_file_writer.h"
#include "directory_ids.h"
#include "test_support.h"

namespace {

using namespace installer_db;
using namespace installer_db::cfb;
using test_support::PatternBytes;
using test_support::ScratchDirectory;
using test_support::WriteCompoundFileAt;

struct TestStream {
    std::u16string name;
    std::vector<std::byte> bytes;
    std::size_t parent = 0;
};

NewEntry StreamEntry(const TestStream& stream) {
    NewEntry entry;
    entry.name = stream.name;
    entry.parent = stream.parent;
    entry.size = stream.bytes.size();
    entry.source = std::make_unique<MemoryByteSource>(stream.bytes);
    return entry;
}

NewEntry StorageEntry(std::u16string name, std::size_t parent = 0) {
    NewEntry entry;
    entry.name = std::move(name);
    entry.type = EntryType::Storage;
    entry.parent = parent;
    return entry;
}

ContainerError WriteStreams(const std::vector<TestStream>& streams,
                            const std::filesystem::path& path) {
    NewCompoundFile content;
    for (const TestStream& stream : streams) {
        content.entries.push_back(StreamEntry(stream));
    }
    return WriteCompoundFileAt(content, path);
}

std::unique_ptr<CompoundFileReader> OpenOrFail(const std::filesystem::path& path) {
    std::unique_ptr<CompoundFileReader> reader;
    EXPECT_EQ(test_support::OpenCompoundFile(path, reader), ContainerError::None);
    return reader;
}

std::vector<std::byte> StreamBytes(const CompoundFileReader& reader, std::size_t index) {
    std::vector<std::byte> bytes;
    EXPECT_EQ(reader.ReadStream(index, bytes), ContainerError::None);
    return bytes;
}

void ExpectStreamsReadBack(const std::vector<TestStream>& streams,
                           const std::filesystem::path& path) {
    const auto reader = OpenOrFail(path);
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->Entries().size(), streams.size() + 1);
    for (const TestStream& stream : streams) {
        const auto index = reader->FindChild(0, stream.name);
        ASSERT_TRUE(index.has_value());
        EXPECT_EQ(reader->Entries()[*index].size, stream.bytes.size());
        EXPECT_TRUE(StreamBytes(*reader, *index) == stream.bytes);
    }
}

// Directory order, checked here without the library's comparison: shorter first, then
// by upper-cased code units (the names in these tests are ASCII).
int ReferenceCompare(const std::u16string& a, const std::u16string& b) {
    if (a.size() != b.size()) {
        return a.size() < b.size() ? -1 : 1;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto upper = [](char16_t c) {
            return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
        };
        if (upper(a[i]) != upper(b[i])) {
            return upper(a[i]) < upper(b[i]) ? -1 : 1;
        }
    }
    return 0;
}

// Walks one storage's sibling tree: checks the search order and the red-black rules,
// returns the black height and collects the names in order.
int CheckSiblingTree(const std::map<std::uint32_t, const DirectoryEntry*>& byId, std::uint32_t id,
                     EntryColor parentColor, std::vector<std::u16string>& names) {
    if (id == kNoStream) {
        return 1;
    }
    const DirectoryEntry& entry = *byId.at(id);
    EXPECT_FALSE(parentColor == EntryColor::Red && entry.siblings.color == EntryColor::Red);
    const int left = CheckSiblingTree(byId, entry.siblings.left, entry.siblings.color, names);
    names.push_back(entry.name);
    const int right = CheckSiblingTree(byId, entry.siblings.right, entry.siblings.color, names);
    EXPECT_EQ(left, right) << "black heights differ below an entry";
    return left + (entry.siblings.color == EntryColor::Black ? 1 : 0);
}

void ExpectValidTrees(const CompoundFileReader& reader) {
    std::map<std::uint32_t, const DirectoryEntry*> byId;
    for (const DirectoryEntry& entry : reader.Entries()) {
        byId[entry.id] = &entry;
    }
    for (const DirectoryEntry& storage : reader.Entries()) {
        if (storage.type == EntryType::Stream || storage.child == kNoStream) {
            continue;
        }
        EXPECT_EQ(byId.at(storage.child)->siblings.color, EntryColor::Black);
        std::vector<std::u16string> names;
        CheckSiblingTree(byId, storage.child, EntryColor::Black, names);
        for (std::size_t i = 1; i < names.size(); ++i) {
            EXPECT_LT(ReferenceCompare(names[i - 1], names[i]), 0);
        }
    }
}

class CompoundFileTest : public ::testing::Test {
protected:
    ScratchDirectory scratch;
    std::filesystem::path file = scratch / "test.cfb";
};

TEST_F(CompoundFileTest, StreamsOfBoundarySizesReadBackExactly) {
    std::vector<TestStream> streams;
    unsigned seed = 1;
    for (const std::size_t size :
         {0u, 1u, 63u, 64u, 65u, 511u, 512u, 4095u, 4096u, 4097u, 3u * 1024 * 1024 + 5}) {
        streams.push_back({u"S" + std::u16string(1, static_cast<char16_t>(u'A' + seed)),
                           PatternBytes(size, seed)});
        ++seed;
    }
    ASSERT_EQ(WriteStreams(streams, file), ContainerError::None);
    ExpectStreamsReadBack(streams, file);
}

TEST_F(CompoundFileTest, StreamBytesReadAtAnyOffsetAndNotPastTheEnd) {
    const std::vector<TestStream> streams{{u"Small", PatternBytes(3000, 1)},
                                          {u"Large", PatternBytes(3 * 1024 * 1024 + 5, 2)}};
    ASSERT_EQ(WriteStreams(streams, file), ContainerError::None);
    const auto reader = OpenOrFail(file);
    for (const TestStream& stream : streams) {
        std::unique_ptr<ReadableBytes> bytes;
        ASSERT_EQ(reader->OpenStreamBytes(*reader->FindChild(0, stream.name), bytes),
                  ContainerError::None);
        for (const std::size_t offset :
             {std::size_t{0}, std::size_t{63}, std::size_t{511}, stream.bytes.size() - 1000}) {
            std::vector<std::byte> piece(1000);
            ASSERT_EQ(bytes->ReadAt(offset, piece), ContainerError::None);
            EXPECT_TRUE(std::equal(piece.begin(), piece.end(), stream.bytes.begin() + offset));
        }
        std::vector<std::byte> pastTheEnd(2);
        EXPECT_EQ(bytes->ReadAt(stream.bytes.size() - 1, pastTheEnd), ContainerError::ReadFailed);
    }
}

// Streams outside the mini stream start on a 4 KiB page, so that their blocks can be shared
// with the file they come from; those of a megabyte or more on a 64 KiB boundary.
TEST_F(CompoundFileTest, StreamsStartAtAlignedOffsets) {
    const std::vector<TestStream> streams = {{u"Mini", PatternBytes(4095, 1)},
                                             {u"Table", PatternBytes(5000, 2)},
                                             {u"Page", PatternBytes(4096, 3)},
                                             {u"First", PatternBytes((1u << 20) + 3, 4)},
                                             {u"Second", PatternBytes(2u << 20, 5)}};
    ASSERT_EQ(WriteStreams(streams, file), ContainerError::None);
    ExpectStreamsReadBack(streams, file);
    const auto reader = OpenOrFail(file);
    ASSERT_TRUE(reader);
    auto offset = [&](const char16_t* name) {
        const DirectoryEntry& entry = reader->Entries()[*reader->FindChild(0, name)];
        return kHeaderSize + std::uint64_t{entry.startSector} * kSectorSize;
    };
    EXPECT_EQ(offset(u"Table") % 4096, 0u);
    EXPECT_EQ(offset(u"Page") % 4096, 0u);
    EXPECT_EQ(offset(u"First") % 65536, 0u);
    EXPECT_EQ(offset(u"Second") % 65536, 0u);
}

TEST_F(CompoundFileTest, ZeroLengthStreamHasEndOfChainStart) {
    ASSERT_EQ(WriteStreams({{u"Empty", {}}}, file), ContainerError::None);
    const auto reader = OpenOrFail(file);
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->Entries()[1].startSector, kEndOfChain);
}

TEST_F(CompoundFileTest, ManyStreamsReadBack) {
    std::vector<TestStream> streams;
    for (unsigned i = 0; i < 300; ++i) {
        streams.push_back({u"Stream" + std::u16string(1, static_cast<char16_t>(0x100 + i)),
                           PatternBytes((i * 977) % 9000, i)});
    }
    ASSERT_EQ(WriteStreams(streams, file), ContainerError::None);
    ExpectStreamsReadBack(streams, file);
}

TEST_F(CompoundFileTest, LargeFileUsesDifatSectorsThatTheReaderFollows) {
    // 9 MiB of data needs about 145 allocation-table sectors, more than the header's 109.
    const std::vector<TestStream> streams = {{u"Big", PatternBytes(9u << 20, 7)},
                                             {u"Small", PatternBytes(100, 8)}};
    ASSERT_EQ(WriteStreams(streams, file), ContainerError::None);
    const std::vector<std::byte> header = test_support::ReadFile(file);
    EXPECT_GT(LoadU32(header, header::kFatSectorCount), kHeaderDifatCount);
    EXPECT_GE(LoadU32(header, header::kDifatSectorCount), 1u);
    EXPECT_EQ(header.size() % kSectorSize, 0u);
    ExpectStreamsReadBack(streams, file);
}

TEST_F(CompoundFileTest, NestedStoragesKeepTheirStreams) {
    NewCompoundFile content;
    content.entries.push_back(StorageEntry(u"Outer"));
    content.entries.push_back(StreamEntry({u"Inside", PatternBytes(5000, 1), 1}));
    content.entries.push_back(StorageEntry(u"Deeper", 1));
    content.entries.push_back(StreamEntry({u"Leaf", PatternBytes(10, 2), 3}));
    content.entries.push_back(StreamEntry({u"Leaf", PatternBytes(20, 3), 0}));
    ASSERT_EQ(WriteCompoundFileAt(content, file), ContainerError::None);

    const auto reader = OpenOrFail(file);
    ASSERT_TRUE(reader);
    const auto outer = reader->FindChild(0, u"Outer");
    ASSERT_TRUE(outer);
    const auto deeper = reader->FindChild(*outer, u"Deeper");
    ASSERT_TRUE(deeper);
    const auto innerLeaf = reader->FindChild(*deeper, u"Leaf");
    const auto rootLeaf = reader->FindChild(0, u"Leaf");
    ASSERT_TRUE(innerLeaf && rootLeaf);
    EXPECT_TRUE(StreamBytes(*reader, *innerLeaf) == PatternBytes(10, 2));
    EXPECT_TRUE(StreamBytes(*reader, *rootLeaf) == PatternBytes(20, 3));
    EXPECT_TRUE(StreamBytes(*reader, *reader->FindChild(*outer, u"Inside")) ==
                PatternBytes(5000, 1));
    ExpectValidTrees(*reader);
}

TEST_F(CompoundFileTest, StorageStoredAfterItsContentsKeepsThem) {
    NewCompoundFile content;
    content.entries.push_back(StorageEntry(u"Outer"));
    content.entries.push_back(StreamEntry({u"Inside", PatternBytes(700, 4), 1}));
    ASSERT_EQ(WriteCompoundFileAt(content, file), ContainerError::None);
    std::vector<std::byte> bytes = test_support::ReadFile(file);
    test_support::SwapDirectoryIds(bytes, 1, 2);
    test_support::WriteFile(file, bytes);

    const auto reader = OpenOrFail(file);
    ASSERT_TRUE(reader);
    const auto outer = reader->FindChild(0, u"Outer");
    ASSERT_TRUE(outer);
    const auto inside = reader->FindChild(*outer, u"Inside");
    ASSERT_TRUE(inside);
    EXPECT_TRUE(StreamBytes(*reader, *inside) == PatternBytes(700, 4));
}

TEST_F(CompoundFileTest, DirectoryTreesAreOrderedRedBlackTrees) {
    std::vector<TestStream> streams;
    const std::vector<std::u16string> names = {
        u"b",   u"A",   u"abc", u"ABD", u"Zz", u"zy", u"_x",    u"longer name",
        u"Mid", u"mie", u"a1",  u"B2",  u"c",  u"D",  u"eeeee", u"EEEEF",
        u"q",   u"R",   u"s",   u"T",   u"uu", u"VV"};
    for (std::size_t count = 1; count <= names.size(); ++count) {
        streams.clear();
        for (std::size_t i = 0; i < count; ++i) {
            streams.push_back({names[i], PatternBytes(i, static_cast<unsigned>(i))});
        }
        ASSERT_EQ(WriteStreams(streams, file), ContainerError::None);
        const auto reader = OpenOrFail(file);
        ASSERT_TRUE(reader);
        ExpectValidTrees(*reader);
    }
}

TEST_F(CompoundFileTest, SameContentGivesSameBytesAndKeepsAttributes) {
    const auto write = [&](const std::filesystem::path& path) {
        NewCompoundFile content;
        content.root.classId[0] = std::byte{0x84};
        content.root.classId[1] = std::byte{0x10};
        NewEntry entry = StreamEntry({u"Data", PatternBytes(6000, 3)});
        entry.attributes.stateBits = 0x1234;
        entry.attributes.modified = 0x01CD0000AABBCCDD;
        content.entries.push_back(std::move(entry));
        return WriteCompoundFileAt(content, path);
    };
    const auto other = scratch / "other.cfb";
    ASSERT_EQ(write(file), ContainerError::None);
    ASSERT_EQ(write(other), ContainerError::None);
    EXPECT_TRUE(test_support::ReadFile(file) == test_support::ReadFile(other));
    const auto reader = OpenOrFail(file);
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->Entries()[0].attributes.classId[0], std::byte{0x84});
    EXPECT_EQ(reader->Entries()[1].attributes.stateBits, 0x1234u);
    EXPECT_EQ(reader->Entries()[1].attributes.modified, 0x01CD0000AABBCCDDu);
}

// Fails the test if the writer reads it: a refused layout must be refused up front.
class UnreadableSource final : public ByteSource {
public:
    ContainerError Read(std::span<std::byte>) override {
        ADD_FAILURE() << "source read although the layout was refused";
        return ContainerError::ReadFailed;
    }
};

TEST_F(CompoundFileTest, RefusesFilesBeyondTheVersionThreeLimitBeforeWriting) {
    for (const std::uint64_t size :
         {std::uint64_t{1} << 31, (std::uint64_t{1} << 31) - 4096, std::uint64_t{5} << 30}) {
        NewCompoundFile content;
        NewEntry entry;
        entry.name = u"Huge";
        entry.size = size;
        entry.source = std::make_unique<UnreadableSource>();
        content.entries.push_back(std::move(entry));
        std::unique_ptr<PendingFile> output;
        std::uint32_t systemError = 0;
        ASSERT_EQ(PendingFile::CreateFor(file, output, systemError), ContainerError::None);
        EXPECT_EQ(WriteCompoundFile(content, *output), ContainerError::TooLarge);
        output.reset();
        EXPECT_TRUE(std::filesystem::is_empty(file.parent_path()));
    }
}

TEST_F(CompoundFileTest, RefusesDuplicateAndInvalidNames) {
    EXPECT_EQ(WriteStreams({{u"Same", {}}, {u"SAME", {}}}, file), ContainerError::Refused);
    EXPECT_EQ(WriteStreams({{u"", {}}}, file), ContainerError::Refused);
    EXPECT_EQ(WriteStreams({{std::u16string(32, u'x'), {}}}, file), ContainerError::Refused);
    EXPECT_EQ(WriteStreams({{u"a/b", {}}}, file), ContainerError::Refused);
    EXPECT_FALSE(std::filesystem::exists(file));
}

// Damaged files: each case breaks one thing in a valid file; opening must fail cleanly.
class DamagedFileTest : public CompoundFileTest {
protected:
    void SetUp() override {
        ASSERT_EQ(WriteStreams({{u"Large", PatternBytes(20000, 1)},
                                {u"Small", PatternBytes(300, 2)},
                                {u"Other", PatternBytes(5000, 3)}},
                               file),
                  ContainerError::None);
        bytes = test_support::ReadFile(file);
    }

    std::size_t SectorOffset(std::uint32_t sector) const {
        return kHeaderSize + sector * kSectorSize;
    }
    std::size_t DirectoryOffset() const {
        return SectorOffset(LoadU32(bytes, header::kFirstDirectorySector));
    }
    std::size_t FatOffset() const { return SectorOffset(LoadU32(bytes, header::kDifat)); }
    // The first sector of the stream "Large", the first in the file.
    std::uint32_t LargeStart() const {
        std::unique_ptr<CompoundFileReader> reader;
        EXPECT_EQ(test_support::OpenCompoundFile(file, reader), ContainerError::None);
        return reader->Entries()[*reader->FindChild(0, u"Large")].startSector;
    }

    void ExpectRefused() {
        test_support::WriteFile(file, bytes);
        std::unique_ptr<CompoundFileReader> reader;
        EXPECT_EQ(test_support::OpenCompoundFile(file, reader), ContainerError::Damaged);
        EXPECT_FALSE(reader);
    }

    std::vector<std::byte> bytes;
};

TEST_F(DamagedFileTest, UntouchedFileOpens) {
    test_support::WriteFile(file, bytes);
    EXPECT_TRUE(OpenOrFail(file));
}

class StructureCheckTest : public DamagedFileTest {
protected:
    std::uint32_t StartOf(std::u16string_view name) const {
        std::unique_ptr<CompoundFileReader> reader;
        EXPECT_EQ(test_support::OpenCompoundFile(file, reader), ContainerError::None);
        return reader->Entries()[*reader->FindChild(0, name)].startSector;
    }
    void SetTableEntry(std::size_t tableOffset, std::uint32_t index, std::uint32_t value) {
        StoreU32(bytes, tableOffset + 4 * index, value);
    }
    StructureFault Check() const { return CheckCompoundFile(MemoryBytes(bytes)); }
};

TEST_F(StructureCheckTest, WholeFilesOfBothWritersAreSound) {
    EXPECT_EQ(Check().kind, StructureFaultKind::None);
    const std::vector<std::byte> msitools = test_support::ReadFile(KESTROW_FIXTURE_MSI);
    EXPECT_EQ(CheckCompoundFile(MemoryBytes(msitools)).kind, StructureFaultKind::None);
}

TEST_F(StructureCheckTest, NamesTheFirstFaultOfEachTable) {
    const std::uint32_t directory = LoadU32(bytes, header::kFirstDirectorySector);
    const std::uint32_t fatSector = LoadU32(bytes, header::kDifat);
    const std::size_t miniFat = SectorOffset(LoadU32(bytes, header::kFirstMiniFatSector));
    const std::vector<std::byte> sound = bytes;
    const struct {
        std::function<void()> damage;
        StructureFaultKind kind;
        std::string description;
    } cases[] = {
        {[&] { SetTableEntry(FatOffset(), StartOf(u"Large"), directory); },
         StructureFaultKind::SharedSector,
         "stream 1 and the directory share sector " + std::to_string(directory)},
        {[&] { SetTableEntry(FatOffset(), fatSector, kFreeSector); },
         StructureFaultKind::BrokenDifat,
         "the FAT is broken at sector " + std::to_string(fatSector)},
        {[&] { SetTableEntry(FatOffset(), StartOf(u"Other") + 9, StartOf(u"Other") + 10); },
         StructureFaultKind::LongChain,
         "the chain of stream 3 goes on past its size at sector " +
             std::to_string(StartOf(u"Other") + 10)},
        {[&] { StoreU32(bytes, DirectoryOffset() + entry::kChild, 40); },
         StructureFaultKind::BrokenDirectory, "the directory is broken at entry 40"},
        {[&] { SetTableEntry(miniFat, StartOf(u"Small"), 1000); },
         StructureFaultKind::BrokenMiniStream,
         "stream 2 reaches mini sector 1000, past the mini stream's end"},
    };
    for (const auto& damaged : cases) {
        bytes = sound;
        damaged.damage();
        const StructureFault fault = Check();
        EXPECT_EQ(fault.kind, damaged.kind) << damaged.description;
        EXPECT_EQ(fault.Describe(), damaged.description);
    }
}

TEST_F(DamagedFileTest, TruncatedFile) {
    bytes.resize(kHeaderSize + 3 * kSectorSize);
    ExpectRefused();
}

TEST_F(DamagedFileTest, ShorterThanHeader) {
    bytes.resize(100);
    ExpectRefused();
}

TEST_F(DamagedFileTest, BadSignature) {
    bytes[0] = std::byte{0};
    ExpectRefused();
}

TEST_F(DamagedFileTest, OtherVersionOrSectorSize) {
    StoreU16(bytes, header::kMajorVersion, 4);
    ExpectRefused();
    StoreU16(bytes, header::kMajorVersion, 3);
    StoreU16(bytes, header::kSectorShift, 12);
    ExpectRefused();
}

TEST_F(DamagedFileTest, AllocationChainLoopsBack) {
    const std::uint32_t start = LargeStart();
    StoreU32(bytes, FatOffset() + 4 * (start + 5), start);
    ExpectRefused();
}

TEST_F(DamagedFileTest, SectorIdOutOfRange) {
    StoreU32(bytes, FatOffset() + 4 * (LargeStart() + 2), 0x00FFFFF0);
    ExpectRefused();
}

TEST_F(DamagedFileTest, DirectoryStartOutOfRange) {
    StoreU32(bytes, header::kFirstDirectorySector, 0x7FFFFFF0);
    ExpectRefused();
}

TEST_F(DamagedFileTest, DirectoryTreeCycle) {
    const std::size_t root = DirectoryOffset();
    const std::uint32_t child = LoadU32(bytes, root + entry::kChild);
    StoreU32(bytes, root + child * kDirectoryEntrySize + entry::kLeft, child);
    ExpectRefused();
}

TEST_F(DamagedFileTest, SiblingPointsToTheRoot) {
    const std::size_t root = DirectoryOffset();
    const std::uint32_t child = LoadU32(bytes, root + entry::kChild);
    StoreU32(bytes, root + child * kDirectoryEntrySize + entry::kRight, 0);
    ExpectRefused();
}

TEST_F(DamagedFileTest, StreamLargerThanItsChain) {
    for (std::uint32_t id = 1; id <= 3; ++id) {
        StoreU32(bytes, DirectoryOffset() + id * kDirectoryEntrySize + entry::kSize, 0x7FFFFFFF);
    }
    ExpectRefused();
}

TEST_F(DamagedFileTest, HugeAllocationTableCount) {
    StoreU32(bytes, header::kFatSectorCount, 0xFFFFFFF0);
    ExpectRefused();
}

TEST_F(DamagedFileTest, RandomBytesAfterTheHeader) {
    const auto noise = PatternBytes(bytes.size() - kHeaderSize, 99);
    std::copy(noise.begin(), noise.end(), bytes.begin() + kHeaderSize);
    ExpectRefused();
}

TEST(CompoundFileOpen, MissingFileIsReportedAsNotFound) {
    ScratchDirectory scratch;
    std::unique_ptr<CompoundFileReader> reader;
    EXPECT_EQ(test_support::OpenCompoundFile(scratch / "absent.cfb", reader),
              ContainerError::NotFound);
}

} // namespace
