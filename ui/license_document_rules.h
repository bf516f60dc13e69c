#pragma once

// How the licence document travels: into the licence window's text area in pieces, and out
// to a saved file. Free of Windows, so that it runs and is tested on the build host.

#include <cstdint>
#include <span>

namespace kestrow {

// Copies the next piece of the document, at most capacity bytes from position on, into buffer
// and advances position past it. Returns the piece's size: 0 once the whole document has gone,
// which is how the text area learns that the stream has ended. A missing document, or a
// position already beyond the document's size, gives nothing.
std::int32_t TakeLicensePiece(const std::uint8_t* document, std::int32_t documentSize,
                              std::int32_t& position, std::uint8_t* buffer, std::int32_t capacity);

// What Save writes: the document up to, not including, its first NUL byte; the whole
// document when it holds none.
std::span<const std::uint8_t> LicenseTextToSave(std::span<const std::uint8_t> document);

} // namespace kestrow
