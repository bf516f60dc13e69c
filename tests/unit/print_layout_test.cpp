#include <gtest/gtest.h>

#include "print_layout.h"

#include <string>

namespace kestrow::print {
namespace {

void ExpectRect(const TwipRect& rect, long left, long top, long right, long bottom) {
    EXPECT_EQ(rect.left, left);
    EXPECT_EQ(rect.top, top);
    EXPECT_EQ(rect.right, right);
    EXPECT_EQ(rect.bottom, bottom);
}

TEST(PageLayout, TurnsThePrintableAreaIntoTwipsWithAHalfInchMargin) {
    // A4 at 600 dpi less a typical unprintable border: 4760 x 6814 pixels.
    PageFrames frames;
    ASSERT_TRUE(LayOutPage({4760, 6814, 600, 600}, frames));
    ExpectRect(frames.page, 0, 0, 11424, 16353);
    ExpectRect(frames.text, 720, 720, 10704, 15633);
}

TEST(PageLayout, UsesEachAxisOwnResolution) {
    PageFrames frames;
    ASSERT_TRUE(LayOutPage({1200, 1200, 300, 150}, frames));
    ExpectRect(frames.page, 0, 0, 5760, 11520);
}

TEST(PageLayout, RefusesADeviceWithoutResolutionOrRoomInsideTheMargins) {
    PageFrames frames;
    EXPECT_FALSE(LayOutPage({4760, 6814, 0, 600}, frames));
    EXPECT_FALSE(LayOutPage({4760, 6814, 600, 0}, frames));
    EXPECT_FALSE(LayOutPage({600, 6814, 600, 600}, frames)); // one inch wide: margins only
    EXPECT_FALSE(LayOutPage({4760, 0, 600, 600}, frames));
    EXPECT_TRUE(LayOutPage({601, 601, 600, 600}, frames));
}

TEST(TextSource, HandsOutTheTextInPiecesOfAtMostTheCapacity) {
    const std::string rtf = "{\\rtf1 licence}";
    TextSource source(rtf);
    std::string received;
    char buffer[4];
    std::size_t count = 0;
    while ((count = source.Read(buffer, sizeof(buffer))) > 0) {
        EXPECT_LE(count, sizeof(buffer));
        received.append(buffer, count);
    }
    EXPECT_EQ(received, rtf);
    EXPECT_TRUE(source.Exhausted());
}

TEST(TextSource, IsExhaustedOnlyOnceEveryByteWasRead) {
    TextSource source("abc");
    char buffer[8];
    EXPECT_FALSE(source.Exhausted());
    EXPECT_EQ(source.Read(buffer, 2), 2u);
    EXPECT_FALSE(source.Exhausted());
    EXPECT_EQ(source.Read(buffer, 8), 1u);
    EXPECT_EQ(buffer[0], 'c');
    EXPECT_TRUE(source.Exhausted());
    EXPECT_EQ(source.Read(buffer, 8), 0u);
}

} // namespace
} // namespace kestrow::print
