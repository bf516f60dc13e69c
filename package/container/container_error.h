#pragma once

#include <cstdint>

namespace installer_db {

// The compound-file layer's own failures. Scoped, so that none passes silently for an
// installer database's value: the layers above decide what each one means to their callers.
enum class ContainerError : std::uint8_t {
    None,         // success
    NotFound,     // nothing at the path to open
    AccessDenied, // the folder refused a new file, or the target refused to be replaced
    OpenFailed,   // a file that exists, or a new one, could not be opened
    ReadFailed,   // a read or a query of a file, or of bytes in memory, came up short
    WriteFailed,  // the new file could not be written, flushed, named or kept
    DiskFull,     // no room or quota left for the new file
    Damaged,      // the bytes are no sound compound file
    Refused,      // entries that form no tree, or an entry index out of range
    TooLarge,     // a file past version 3's size, or past what other readers accept
};

constexpr bool Failed(ContainerError error) {
    return error != ContainerError::None;
}

} // namespace installer_db
