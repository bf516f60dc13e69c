#pragma once

// Checks a version-3 compound file the way a careful reader would before trusting it, and
// names the first fault for a person: the header, the DIFAT, every FAT chain (no loop, no
// sector shared by two owners, none into free space or past the end), the directory tree,
// the mini stream and each stream's size. Memory is bounded by the file's size, time by a
// pass over its allocation tables.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "readable_bytes.h"

namespace installer_db::cfb {

enum class StructureFaultKind : std::uint8_t {
    None,
    Truncated,        // shorter than a header
    BadHeader,        // no version-3 header of 512-byte sectors
    BrokenDifat,      // a DIFAT that loops, runs short, or lists sectors not marked for it
    PastTheEnd,       // a sector beyond the file's last whole sector
    ChainLoops,       // a chain that comes back to a sector of its own
    IntoFreeSpace,    // a chain through a sector marked free or reserved
    SharedSector,     // a sector that two owners claim
    ShortStream,      // a chain that ends before the size it must hold
    LongChain,        // a chain that goes on past its size
    BrokenDirectory,  // an entry out of range, of no known type, or no root first
    DirectoryCycle,   // an entry reached twice from the root
    BrokenMiniStream, // a mini chain beyond the mini stream
    ReadFailed,       // the file refused a read inside its size
};

struct StructureFault {
    StructureFaultKind kind = StructureFaultKind::None;
    std::string owner;    // "the FAT", "the directory", "stream Binary.Corvane"...
    std::string other;    // SharedSector: the owner that claimed the sector first
    std::uint64_t at = 0; // the sector, mini sector or directory entry concerned

    // One line for people, such as "the chain of the directory loops at sector 12".
    std::string Describe() const;
};

// A stream's name as it is shown, from its name in the directory; without one, streams
// are named by their entry's number.
using EntryNameText = std::function<std::string(std::u16string_view)>;

StructureFault CheckCompoundFile(const ReadableBytes& file, const EntryNameText& nameText = {});

} // namespace installer_db::cfb
