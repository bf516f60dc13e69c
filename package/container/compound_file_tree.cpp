#include "compound_file_tree.h"

#include <algorithm>

namespace installer_db::cfb {

namespace {

// The simple upper-case mapping of the Basic Latin and Latin-1 letters; names outside
// that range compare by their code units as they are.
char16_t UpperCase(char16_t unit) {
    const bool asciiLower = unit >= u'a' && unit <= u'z';
    const bool latin1Lower = unit >= 0xE0 && unit <= 0xFE && unit != 0xF7;
    return asciiLower || latin1Lower ? static_cast<char16_t>(unit - 0x20) : unit;
}

struct TreeBuilder {
    const std::vector<std::uint32_t>& ids;
    std::vector<TreeNode>& nodes;
    std::vector<unsigned> depths;
    unsigned deepest = 0;

    std::uint32_t Build(std::size_t begin, std::size_t end, unsigned depth) {
        if (begin == end) {
            return kNoStream;
        }
        const std::size_t middle = begin + (end - begin) / 2;
        depths[middle] = depth;
        deepest = std::max(deepest, depth);
        TreeNode& node = nodes[ids[middle]];
        node.left = Build(begin, middle, depth + 1);
        node.right = Build(middle + 1, end, depth + 1);
        return ids[middle];
    }
};

} // namespace

int CompareEntryNames(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) {
        return a.size() < b.size() ? -1 : 1;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const char16_t left = UpperCase(a[i]);
        const char16_t right = UpperCase(b[i]);
        if (left != right) {
            return left < right ? -1 : 1;
        }
    }
    return 0;
}

std::uint32_t BuildSiblingTree(const std::vector<std::uint32_t>& sortedIds,
                               std::vector<TreeNode>& nodes) {
    TreeBuilder builder{sortedIds, nodes, std::vector<unsigned>(sortedIds.size()), 0};
    const std::uint32_t root = builder.Build(0, sortedIds.size(), 0);
    // Splitting at the middle fills every level above the deepest, so every path from the
    // root to a missing child meets the same number of black nodes.
    for (std::size_t i = 0; i < sortedIds.size(); ++i) {
        const bool red = builder.deepest > 0 && builder.depths[i] == builder.deepest;
        nodes[sortedIds[i]].color = red ? EntryColor::Red : EntryColor::Black;
    }
    return root;
}

} // namespace installer_db::cfb
