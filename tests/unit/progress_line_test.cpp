#include "progress_line.h"

#include <gtest/gtest.h>

namespace {

using kestrow::native::ProgressLine;
using namespace std::chrono_literals;

class ProgressLineTest : public ::testing::Test {
protected:
    ProgressLine Line(bool terminal) {
        return ProgressLine([this](std::string_view text) { shown += text; }, terminal, "Setup.msi",
                            start);
    }

    ProgressLine::Clock::time_point start{};
    std::string shown;
};

TEST_F(ProgressLineTest, ShowsNothingWithinTheDelayOrOffATerminal) {
    ProgressLine quick = Line(true);
    quick.Show(10, 100, start + 499ms);
    quick.Clear();
    ProgressLine piped = Line(false);
    piped.Show(10, 100, start + 5s);
    piped.Clear();
    EXPECT_EQ(shown, "");
}

TEST_F(ProgressLineTest, RewritesTheLineWhenThePercentChangesAndWipesIt) {
    ProgressLine line = Line(true);
    line.Show(5, 100, start + 600ms);
    line.Show(5, 100, start + 700ms);
    line.Show(100, 100, start + 800ms);
    EXPECT_EQ(shown, "\rkestrow: Setup.msi: 5%\rkestrow: Setup.msi: 100%");
    shown.clear();
    line.Clear();
    EXPECT_EQ(shown, "\r" + std::string(24, ' ') + "\r");
}

TEST_F(ProgressLineTest, ShorterLineCoversTheLongerOne) {
    ProgressLine line = Line(true);
    line.Show(100, 100, start + 1s);
    shown.clear();
    line.Show(0, 0, start + 2s);
    line.Show(5, 100, start + 2s);
    EXPECT_EQ(shown, "\rkestrow: Setup.msi: 5%  ");
}

} // namespace
