#include <gtest/gtest.h>

#include "framework/file_dialog_filter.h"

namespace kestrow {
namespace {

TEST(FileTypeFilter, OneEntryWithTheClosingBars) {
    const auto entries = ParseFileTypeFilter(L"Eula Files (*.rtf)|*.rtf||");
    ASSERT_EQ(entries.size(), 1U);
    EXPECT_EQ(entries[0].name, L"Eula Files (*.rtf)");
    EXPECT_EQ(entries[0].pattern, L"*.rtf");
}

TEST(FileTypeFilter, SeveralEntriesKeepTheirOrderAndPatternLists) {
    const auto entries = ParseFileTypeFilter(L"Programs (*.exe)|*.exe|All Files|*.exe;*.msi||");
    ASSERT_EQ(entries.size(), 2U);
    EXPECT_EQ(entries[0].name, L"Programs (*.exe)");
    EXPECT_EQ(entries[1].name, L"All Files");
    EXPECT_EQ(entries[1].pattern, L"*.exe;*.msi");
}

TEST(FileTypeFilter, MissingBarsAndEmptyPartsEndTheList) {
    EXPECT_EQ(ParseFileTypeFilter(L"Text|*.txt").size(), 1U);
    EXPECT_TRUE(ParseFileTypeFilter(L"").empty());
    EXPECT_TRUE(ParseFileTypeFilter(L"||").empty());
    EXPECT_TRUE(ParseFileTypeFilter(L"Name only|").empty());
    EXPECT_EQ(ParseFileTypeFilter(L"A|*.a||B|*.b||").size(), 1U);
}

} // namespace
} // namespace kestrow
