#pragma once

// The names a Windows program gives itself in its version resource, read from the file's
// bytes alone: on any system, without the Windows API. Only the headers, the section table,
// the resource directory and the version data are read, so that an installer of gigabytes
// costs a few small reads.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "program_headers.h"

namespace kestrow::identity {

struct VersionStrings {
    // UTF-8 without surrounding white space; empty when the resource holds none.
    std::string productName;
    std::string companyName;
    std::string productVersion; // as the file writes it: "1.2.3", "1, 2, 3, 4"
    // The numeric product version, most significant part first, when the fixed part is there.
    std::optional<std::array<std::uint16_t, 4>> fixedProductVersion;
};

enum class VersionResourceFault : std::uint8_t {
    None,
    NotAProgram,       // no Windows program: no MZ or PE signature, or an unknown header kind
    NoVersionResource, // a program without resources, or without a version resource
    Damaged,           // a length, offset or address that leads outside its place, or the file
    ReadFailed,        // the file refused a read inside its size
};

using program::ReadBytesAt;

// Of a version resource in several languages, takes the U.S. English one, else the first. Reads
// only inside the file's size, at most 64 KiB at a time. Strings are set on None and left
// empty otherwise.
VersionResourceFault ReadVersionResource(const ReadBytesAt& read, std::uint64_t fileSize,
                                         VersionStrings& strings);

} // namespace kestrow::identity
