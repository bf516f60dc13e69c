#pragma once

// Writes a complete version-3 compound file front to back in one pass: header, the
// large streams as contiguous sector runs, the mini stream, the mini allocation table,
// the directory, the allocation table and, for big files, its extension sectors.
// The same entries always give the same bytes.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "byte_source.h"
#include "compound_file_format.h"
#include "container_error.h"
#include "file_io.h"

namespace installer_db::cfb {

struct NewEntry {
    std::u16string name;
    EntryType type = EntryType::Stream; // Stream or Storage
    std::size_t parent = 0;             // 0 is the root; otherwise 1 + index of an earlier storage
    std::uint64_t size = 0;
    std::unique_ptr<ByteSource> source; // streams only; read exactly size bytes, once
    EntryAttributes attributes;
};

struct NewCompoundFile {
    EntryAttributes root;
    std::vector<NewEntry> entries;
};

// Refuses before writing anything: with Refused entries that do not form a valid tree,
// with TooLarge layouts that version 3 cannot hold or other readers refuse.
ContainerError WriteCompoundFile(NewCompoundFile& content, PendingFile& output);

} // namespace installer_db::cfb
