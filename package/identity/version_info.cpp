#include "version_info.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "byte_order.h"
#include "resource_text.h"

namespace kestrow::identity {

namespace {

using installer_db::LoadU16;
using installer_db::LoadU32;

constexpr std::size_t kBlockHeaderSize = 6; // wLength, wValueLength, wType
constexpr std::size_t kFixedInfoSize = 52;
constexpr std::uint32_t kFixedInfoSignature = 0xFEEF04BD;
constexpr std::size_t kFixedProductVersionAt = 16;

// One block of the tree. Offsets count from the start of the data, against which every
// block, value and child is aligned on 32 bits.
struct Block {
    std::size_t end = 0;
    std::size_t valueLength = 0;
    std::u16string key;
    std::size_t valueStart = 0; // just after the key and its padding
};

std::size_t Aligned(std::size_t offset) {
    return (offset + 3) & ~std::size_t{3};
}

bool ReadBlock(std::span<const std::byte> data, std::size_t start, std::size_t limit,
               Block& block) {
    if (limit - start < kBlockHeaderSize) {
        return false;
    }
    const std::size_t length = LoadU16(data, start);
    if (length < kBlockHeaderSize || length > limit - start) {
        return false;
    }
    block.end = start + length;
    block.valueLength = LoadU16(data, start + 2);
    block.key.clear();
    for (std::size_t at = start + kBlockHeaderSize; at + 2 <= block.end; at += 2) {
        const char16_t unit = LoadU16(data, at);
        if (unit == 0) {
            block.valueStart = std::min(Aligned(at + 2), block.end);
            return true;
        }
        block.key.push_back(unit);
    }
    return false; // a key without its end
}

// Visits the children from childrenStart to the parent's end; false when one is damaged or
// visit refuses one. Zeros where a child would start are padding at the parent's end.
template <typename Visit>
bool ForEachChild(std::span<const std::byte> data, const Block& parent, std::size_t childrenStart,
                  Visit visit) {
    Block child;
    for (std::size_t at = Aligned(childrenStart);
         at < parent.end && parent.end - at >= kBlockHeaderSize; at = Aligned(child.end)) {
        if (LoadU16(data, at) == 0) {
            return true;
        }
        if (!ReadBlock(data, at, parent.end, child) || !visit(child)) {
            return false;
        }
    }
    return true;
}

// A string value ends at its NUL or at its block's end: wValueLength is wrong in many files.
std::string TextOf(std::span<const std::byte> data, const Block& block) {
    std::u16string text;
    for (std::size_t at = block.valueStart; at + 2 <= block.end; at += 2) {
        const char16_t unit = LoadU16(data, at);
        if (unit == 0) {
            break;
        }
        text.push_back(unit);
    }
    return TrimmedUtf8(text);
}

// A string table's key: language and code page in eight hex digits, as "040904b0".
std::optional<std::uint32_t> TableLanguageAndCodePage(std::u16string_view key) {
    if (key.size() != 8) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (const char16_t unit : key) {
        const int digit = unit >= u'0' && unit <= u'9'   ? unit - u'0'
                          : unit >= u'a' && unit <= u'f' ? unit - u'a' + 10
                          : unit >= u'A' && unit <= u'F' ? unit - u'A' + 10
                                                         : -1;
        if (digit < 0) {
            return std::nullopt;
        }
        value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    return value;
}

struct Contents {
    std::vector<Block> tables;
    // As the table keys order them: language in the high half, code page in the low one.
    std::optional<std::uint32_t> translation;
};

bool ReadStringFileInfo(std::span<const std::byte> data, const Block& info, Contents& contents) {
    return ForEachChild(data, info, info.valueStart, [&](const Block& table) {
        contents.tables.push_back(table);
        return true;
    });
}

bool ReadVarFileInfo(std::span<const std::byte> data, const Block& info, Contents& contents) {
    return ForEachChild(data, info, info.valueStart, [&](const Block& var) {
        if (var.key == u"Translation" && !contents.translation && var.end - var.valueStart >= 4) {
            // Its value puts the language in the low half, unlike the table keys.
            const std::uint32_t value = LoadU32(data, var.valueStart);
            contents.translation = value << 16 | value >> 16;
        }
        return true;
    });
}

template <typename Matches>
const Block* FindTable(const std::vector<Block>& tables, Matches matches) {
    for (const Block& table : tables) {
        const std::optional<std::uint32_t> key = TableLanguageAndCodePage(table.key);
        if (key && matches(*key)) {
            return &table;
        }
    }
    return nullptr;
}

const Block* ChosenTable(const Contents& contents) {
    const Block* table = nullptr;
    if (contents.translation) {
        table = FindTable(contents.tables,
                          [&](std::uint32_t key) { return key == *contents.translation; });
    }
    if (table == nullptr) {
        table =
            FindTable(contents.tables, [](std::uint32_t key) { return key >> 16 == kUsEnglish; });
    }
    if (table == nullptr && !contents.tables.empty()) {
        table = &contents.tables.front();
    }
    return table;
}

bool ReadStrings(std::span<const std::byte> data, const Block& table, VersionStrings& strings) {
    return ForEachChild(data, table, table.valueStart, [&](const Block& string) {
        for (const auto& [name, field] : {std::pair{u"ProductName", &strings.productName},
                                          std::pair{u"CompanyName", &strings.companyName},
                                          std::pair{u"ProductVersion", &strings.productVersion}}) {
            if (string.key == name && field->empty()) {
                *field = TextOf(data, string);
            }
        }
        return true;
    });
}

} // namespace

VersionResourceFault ParseVersionInfo(std::span<const std::byte> data, VersionStrings& strings) {
    Block root;
    if (!ReadBlock(data, 0, data.size(), root) || root.key != u"VS_VERSION_INFO" ||
        root.valueLength > root.end - root.valueStart) {
        return VersionResourceFault::Damaged;
    }
    VersionStrings found;
    if (root.valueLength >= kFixedInfoSize &&
        LoadU32(data, root.valueStart) == kFixedInfoSignature) {
        const std::uint32_t high = LoadU32(data, root.valueStart + kFixedProductVersionAt);
        const std::uint32_t low = LoadU32(data, root.valueStart + kFixedProductVersionAt + 4);
        found.fixedProductVersion = {
            static_cast<std::uint16_t>(high >> 16), static_cast<std::uint16_t>(high),
            static_cast<std::uint16_t>(low >> 16), static_cast<std::uint16_t>(low)};
    }
    Contents contents;
    const bool sound =
        ForEachChild(data, root, root.valueStart + root.valueLength, [&](const Block& child) {
            return child.key == u"StringFileInfo" ? ReadStringFileInfo(data, child, contents)
                   : child.key == u"VarFileInfo"  ? ReadVarFileInfo(data, child, contents)
                                                  : true;
        });
    const Block* table = ChosenTable(contents);
    if (!sound || (table != nullptr && !ReadStrings(data, *table, found))) {
        return VersionResourceFault::Damaged;
    }
    strings = std::move(found);
    return VersionResourceFault::None;
}

} // namespace kestrow::identity
