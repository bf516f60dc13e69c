#include <gtest/gtest.h>

#include <vector>

#include "string_table_rules.h"

namespace kestrow {
namespace {

using Kind = StringLocation::Kind;

TEST(LocateString, BlockIsIdDividedBySixteenPlusOne) {
    const StringLocation first = LocateString(0);
    EXPECT_EQ(first.kind, Kind::InBlock);
    EXPECT_EQ(first.block, 1);
    EXPECT_EQ(first.entry, 0u);

    const StringLocation status = LocateString(127);
    EXPECT_EQ(status.kind, Kind::InBlock);
    EXPECT_EQ(status.block, 8);
    EXPECT_EQ(status.entry, 15u);

    const StringLocation close = LocateString(1016);
    EXPECT_EQ(close.block, 64);
    EXPECT_EQ(close.entry, 8u);
}

TEST(LocateString, FileNotFoundTextLiesInBlock3633) {
    const StringLocation location = LocateString(58112);
    EXPECT_EQ(location.kind, Kind::InBlock);
    EXPECT_EQ(location.block, 3633);
    EXPECT_EQ(location.entry, 0u);
}

TEST(LocateString, HighestIdWithABlockUsesBlock65535) {
    const StringLocation location = LocateString(0xFFFEF);
    EXPECT_EQ(location.kind, Kind::InBlock);
    EXPECT_EQ(location.block, 0xFFFF);
    EXPECT_EQ(location.entry, 15u);
}

TEST(LocateString, BlockNumbersBeyond16BitsAreOutOfRange) {
    for (const std::uint32_t id : {0xFFFF0u, 0xFFFFFu, 0x100000u, 0x7FFFFFFFu, 0xFFFFFFEFu}) {
        EXPECT_EQ(LocateString(id).kind, Kind::BlockOutOfRange) << id;
    }
}

TEST(LocateString, SixteenHighestIdsWrapToBlockZero) {
    for (std::uint32_t id = 0xFFFFFFF0u; id != 0; ++id) {
        const StringLocation location = LocateString(id);
        EXPECT_EQ(location.kind, Kind::NoBlock) << id;
        EXPECT_EQ(location.entry, id % 16) << id;
    }
}

// A block as the resource compiler lays it out: sixteen length-prefixed entries.
std::vector<char16_t> Block(const std::vector<std::u16string>& texts) {
    std::vector<char16_t> block;
    for (std::size_t entry = 0; entry < 16; ++entry) {
        const std::u16string text = entry < texts.size() ? texts[entry] : std::u16string();
        block.push_back(static_cast<char16_t>(text.size()));
        block.insert(block.end(), text.begin(), text.end());
    }
    return block;
}

TEST(StringEntryText, SkipsTheEntriesBeforeIt) {
    const auto block = Block({u"zero", u"", u"two", u"&OK"});
    EXPECT_EQ(StringEntryText(block, 0), u"zero");
    EXPECT_EQ(StringEntryText(block, 2), u"two");
    EXPECT_EQ(StringEntryText(block, 3), u"&OK");
}

TEST(StringEntryText, AnEntryOfLengthZeroHasNoText) {
    const auto block = Block({u"zero", u""});
    EXPECT_EQ(StringEntryText(block, 1), u"");
    EXPECT_EQ(StringEntryText(block, 15), u"");
}

TEST(StringEntryText, LongTextsAreCutTo2047Units) {
    const std::u16string exact(2047, u'x');
    const std::u16string longer = std::u16string(2047, u'y') + u"z";
    const std::u16string longest(65535, u'w');
    const auto block = Block({exact, longer, longest, u"after"});
    EXPECT_EQ(StringEntryText(block, 0), exact);
    EXPECT_EQ(StringEntryText(block, 1), std::u16string(2047, u'y'));
    EXPECT_EQ(StringEntryText(block, 2), std::u16string(2047, u'w'));
    EXPECT_EQ(StringEntryText(block, 3), u"after");
}

TEST(StringEntryText, ATextEndsAtItsFirstNul) {
    const auto block = Block({std::u16string(u"ab\0cd", 5)});
    EXPECT_EQ(StringEntryText(block, 0), u"ab");
}

TEST(StringEntryText, NothingIsReadBeyondTheBlock) {
    const std::vector<char16_t> truncated = {3, u'a', u'b', u'c', 10, u'd'};
    EXPECT_EQ(StringEntryText(truncated, 0), u"abc");
    EXPECT_EQ(StringEntryText(truncated, 1), u"d");
    EXPECT_EQ(StringEntryText(truncated, 2), u"");
    EXPECT_EQ(StringEntryText({}, 0), u"");
}

} // namespace
} // namespace kestrow
