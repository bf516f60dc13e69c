// The compound-file reader on damaged files: opened from memory, its directory walked and
// every stream read through, in pieces of a fixed size.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "compound_file_reader.h"
#include "fuzz_support.h"
#include "readable_bytes.h"

namespace {

using namespace installer_db;
using kestrow::fuzz::Expect;

// A stream whose directory entry was accepted is whole in the file.
void ReadThrough(const cfb::CompoundFileReader& reader, std::size_t index) {
    std::unique_ptr<ByteSource> source;
    Expect(!Failed(reader.OpenStream(index, source)));
    std::array<std::byte, 4096> buffer;
    for (std::uint64_t left = reader.Entries()[index].size; left > 0;) {
        const std::size_t piece =
            static_cast<std::size_t>(std::min<std::uint64_t>(left, buffer.size()));
        Expect(!Failed(source->Read(std::span(buffer).first(piece))));
        left -= piece;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::unique_ptr<cfb::CompoundFileReader> reader;
    const std::span bytes(reinterpret_cast<const std::byte*>(data), size);
    if (Failed(cfb::CompoundFileReader::Open(std::make_unique<MemoryBytes>(bytes), reader))) {
        return 0;
    }
    const std::vector<cfb::DirectoryEntry>& entries = reader->Entries();
    for (std::size_t index = 1; index < entries.size(); ++index) {
        const cfb::DirectoryEntry& entry = entries[index];
        Expect(entry.parent < entries.size() && reader->FindChild(entry.parent, entry.name));
        if (entry.type == cfb::EntryType::Stream) {
            ReadThrough(*reader, index);
        }
    }
    return 0;
}
