#include "build_progress_rules.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

namespace kestrow {
namespace {

using namespace std::chrono_literals;

TEST(ProgressWindowWait, CountsDownToTheDelayAndStaysDue) {
    EXPECT_EQ(ProgressWindowWait(0ms), 500ms);
    EXPECT_EQ(ProgressWindowWait(120ms), 380ms);
    // A timer that fires a little early waits the rest, never less than a millisecond.
    EXPECT_EQ(ProgressWindowWait(499900us), 1ms);
    EXPECT_EQ(ProgressWindowWait(500ms), 0ms);
    EXPECT_EQ(ProgressWindowWait(3s), 0ms);
}

TEST(ProgressPermille, ThousandthsOfTheTotalRoundedDown) {
    constexpr std::uint64_t kPackage = 1082130432; // a 1 GiB installer's package
    EXPECT_EQ(ProgressPermille(0, kPackage), 0u);
    EXPECT_EQ(ProgressPermille(kPackage / 2, kPackage), 500u);
    EXPECT_EQ(ProgressPermille(kPackage - 1, kPackage), 999u);
    EXPECT_EQ(ProgressPermille(kPackage, kPackage), 1000u);
    EXPECT_EQ(ProgressPermille(kPackage + 1, kPackage), 1000u);
    EXPECT_EQ(ProgressPermille(5, 0), 0u); // size not known yet
}

TEST(ProgressPermille, HugeSizesNeitherOverflowNorShowAnUnfinishedPackageWhole) {
    constexpr std::uint64_t kLargest = std::numeric_limits<std::uint64_t>::max();
    EXPECT_EQ(ProgressPermille(kLargest / 2, kLargest), 500u);
    EXPECT_EQ(ProgressPermille(kLargest - 1, kLargest), 999u);
    EXPECT_EQ(ProgressPermille(kLargest, kLargest), 1000u);
}

TEST(ProgressThrottle, ForwardsOnlyWhenTheBarWouldMove) {
    std::vector<unsigned> forwarded;
    ProgressThrottle throttle([&forwarded](unsigned permille) { forwarded.push_back(permille); });
    for (std::uint64_t written = 0; written <= 1 << 20; written += 64) {
        throttle(written, 1 << 20);
    }
    ASSERT_EQ(forwarded.size(), 1001u);
    for (unsigned permille = 0; permille <= 1000; ++permille) {
        EXPECT_EQ(forwarded[permille], permille);
    }
    throttle(1 << 20, 1 << 20);
    throttle(0, 0); // a report of an unknown size moves the bar back to empty
    EXPECT_EQ(forwarded.size(), 1002u);
    EXPECT_EQ(forwarded.back(), 0u);
}

TEST(ProgressStatusText, SaysTheWholePercentInTheLanguagesPattern) {
    EXPECT_EQ(ProgressStatusText(L"Writing the package: %s%", 0), L"Writing the package: 0%");
    EXPECT_EQ(ProgressStatusText(L"%s\u00A0%", 999), L"99\u00A0%");
    EXPECT_EQ(ProgressStatusText(L"%s%", 1000), L"100%");
}

} // namespace
} // namespace kestrow
