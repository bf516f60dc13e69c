#pragma once

// The order of entries within one storage and the red-black tree that holds them.

#include <cstdint>
#include <string_view>
#include <vector>

#include "compound_file_format.h"

namespace installer_db::cfb {

// Negative, zero or positive as a sorts before, equal to or after b: shorter names
// first, equal lengths by their upper-cased UTF-16 code units.
int CompareEntryNames(std::u16string_view a, std::u16string_view b);

struct TreeNode {
    std::uint32_t left = kNoStream;
    std::uint32_t right = kNoStream;
    EntryColor color = EntryColor::Black;
};

// Links the entries named by sortedIds (already in name order) into a balanced tree whose
// deepest level is red and all other levels black, which satisfies the red-black rules.
// nodes is indexed by entry id. Returns the id of the tree's root, kNoStream when empty.
std::uint32_t BuildSiblingTree(const std::vector<std::uint32_t>& sortedIds,
                               std::vector<TreeNode>& nodes);

} // namespace installer_db::cfb
