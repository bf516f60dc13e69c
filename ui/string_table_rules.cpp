#include "string_table_rules.h"

#include <algorithm>

namespace kestrow {

namespace {
constexpr std::uint32_t kEntriesPerBlock = 16;
constexpr std::uint32_t kFirstBlockOutOfRange = 0x10000;
} // namespace

StringLocation LocateString(std::uint32_t id) {
    // Unsigned arithmetic wraps, so that the highest ids land on block 0.
    const std::uint32_t blockNumber = (id + kEntriesPerBlock) / kEntriesPerBlock;
    const unsigned entry = id % kEntriesPerBlock;
    if (id + kEntriesPerBlock >= kFirstBlockOutOfRange * kEntriesPerBlock) {
        return {StringLocation::Kind::BlockOutOfRange, 0, entry};
    }
    if (blockNumber == 0) {
        return {StringLocation::Kind::NoBlock, 0, entry};
    }
    return {StringLocation::Kind::InBlock, static_cast<std::uint16_t>(blockNumber), entry};
}

std::u16string StringEntryText(std::span<const char16_t> block, unsigned entry) {
    std::size_t position = 0;
    for (unsigned skipped = 0; skipped < entry && position < block.size(); ++skipped) {
        position += 1 + block[position];
    }
    if (position >= block.size()) {
        return {};
    }
    const std::size_t stored = block[position];
    const std::size_t available = std::min(stored, block.size() - position - 1);
    const auto text = block.subspan(position + 1, std::min(available, kMaxUiStringUnits));
    return std::u16string(text.begin(), std::find(text.begin(), text.end(), u'\0'));
}

} // namespace kestrow
