#pragma once

// Where a string-table id lives and how its text is read from a block, apart from the
// resource calls, so that the arithmetic at the edges of the id range can be tested anywhere.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace kestrow {

// The longest text a lookup returns, in UTF-16 units; longer texts are cut.
constexpr std::size_t kMaxUiStringUnits = 2047;

struct StringLocation {
    enum class Kind {
        InBlock,
        // The sixteen highest ids wrap around to block 0, which holds nothing.
        NoBlock,
        // The block number would not fit the 16 bits of a resource id.
        BlockOutOfRange,
    };
    Kind kind;
    std::uint16_t block; // resource id of the block, for InBlock
    unsigned entry;      // index of the id's entry within the block, 0 to 15
};

// Block b holds the ids 16 * (b - 1) to 16 * (b - 1) + 15.
StringLocation LocateString(std::uint32_t id);

// The text of one entry of a string-table block (length-prefixed, unterminated UTF-16
// entries), at most kMaxUiStringUnits units and only up to a NUL unit inside it; empty when
// the entry has no text or lies beyond the block's end.
std::u16string StringEntryText(std::span<const char16_t> block, unsigned entry);

} // namespace kestrow
