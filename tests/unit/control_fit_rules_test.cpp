#include "framework/control_fit_rules.h"

#include <gtest/gtest.h>

#include <vector>

#include "banner_rules.h"

namespace kestrow {
namespace {

// The main window at 144 dots per inch, in client pixels: a label above its field, and the
// Accept box with the Terms link beside it.
constexpr Box kClient{0, 0, 641, 556};
constexpr Box kNameLabel{25, 264, 133, 283};
constexpr Box kNameField{25, 295, 498, 328};
constexpr Box kAcceptBox{25, 513, 99, 537};
constexpr Box kTermsLink{106, 513, 277, 534};
constexpr Box kConvertButton{499, 508, 630, 541};

TextNeeds OneLine(int width) {
    return TextNeeds{width, false, 0, 0};
}

TextNeeds Wrapped(int lineWidth, int wrappedWidth, int wrappedHeight) {
    return TextNeeds{lineWidth, true, wrappedWidth, wrappedHeight};
}

TEST(FittedBox, LeavesAControlThatHoldsItsTextAsItIs) {
    EXPECT_EQ(FittedBox(kAcceptBox, OneLine(74), {kTermsLink}, kClient), kAcceptBox);
    EXPECT_EQ(FittedBox(kNameLabel, Wrapped(100, 100, 19), {}, kClient), kNameLabel);
}

TEST(FittedBox, WidensALabelWhoseLineIsCutToThatLine) {
    // The label wraps its last word onto a second line that its height cannot show.
    const Box fitted = FittedBox(kNameLabel, Wrapped(115, 90, 38), {kNameField}, kClient);
    EXPECT_EQ(fitted, (Box{25, 264, 140, 283}));
}

TEST(FittedBox, WidensACheckBoxUpToTheControlBesideIt) {
    EXPECT_EQ(FittedBox(kAcceptBox, OneLine(79), {kTermsLink}, kClient), (Box{25, 513, 104, 537}));
    // More than the gap allows: it ends where the link starts, cut still.
    EXPECT_EQ(FittedBox(kAcceptBox, OneLine(120), {kTermsLink}, kClient), (Box{25, 513, 106, 537}));
}

TEST(FittedBox, KeepsARightMarginAsWideAsTheLeftOne) {
    EXPECT_EQ(FittedBox(kNameLabel, OneLine(900), {}, kClient), (Box{25, 264, 616, 283}));
}

TEST(FittedBox, DoesNotWidenAControlAtTheRightEdge) {
    EXPECT_EQ(FittedBox(kConvertButton, OneLine(150), {}, kClient), kConvertButton);
}

TEST(FittedBox, IgnoresControlsAboveBelowAndBehind) {
    // The field below the label, and a control that ends left of the label's right edge.
    const Box behind{0, 260, 30, 290};
    EXPECT_EQ(FittedBox(kNameLabel, OneLine(200), {kNameField, behind}, kClient),
              (Box{25, 264, 225, 283}));
}

// The failure message of the status window at 96 dots per inch: its last line falls below
// it, and only the button below limits how far it may grow.
constexpr Box kStatusClient{0, 0, 429, 219};
constexpr Box kMessage{23, 117, 412, 172};
constexpr Box kCloseButton{343, 184, 418, 207};

TEST(FittedBox, GrowsAParagraphDownToTheControlBelow) {
    EXPECT_EQ(FittedBox(kMessage, Wrapped(2400, 386, 65), {kCloseButton}, kStatusClient),
              (Box{23, 117, 412, 182}));
    EXPECT_EQ(FittedBox(kMessage, Wrapped(2400, 386, 78), {kCloseButton}, kStatusClient),
              (Box{23, 117, 412, 184}));
}

TEST(FittedBox, GrowsAParagraphWithNothingBelowToTheBottomMargin) {
    EXPECT_EQ(FittedBox(kMessage, Wrapped(2400, 386, 300), {}, kStatusClient),
              (Box{23, 117, 412, 202}));
}

TEST(FittedBox, NeverShrinksAControlWithoutRoom) {
    // Already past the margin: it keeps its box.
    const Box wide{25, 10, 630, 30};
    EXPECT_EQ(FittedBox(wide, OneLine(700), {}, kClient), wide);
}

// The banner's three drawings, for 100 %, 150 % and 200 %.
constexpr PixelSize kBannerDrawings[] = {{431, 108}, {647, 162}, {862, 216}};

TEST(BannerLayout, TheSmallestDrawingThatCoversTheStripScaledToCoverIt) {
    // The tests' font at 100 %: the strip is a little smaller than the drawing, which is cut
    // rather than blurred.
    EXPECT_EQ(PickBannerDrawing(kBannerDrawings, {429, 107}), 0U);
    EXPECT_EQ(CoverSize(kBannerDrawings[0], {429, 107}), (PixelSize{431, 108}));
    // A wider font at 100 %: the 150 % drawing, made smaller, fills the whole width.
    EXPECT_EQ(PickBannerDrawing(kBannerDrawings, {499, 124}), 1U);
    EXPECT_EQ(CoverSize(kBannerDrawings[1], {499, 124}), (PixelSize{499, 125}));
    EXPECT_EQ(CoverSize(kBannerDrawings[1], {499, 130}), (PixelSize{520, 130}));
    // Past 200 %, the largest drawing grows.
    EXPECT_EQ(PickBannerDrawing(kBannerDrawings, {1300, 324}), 2U);
    EXPECT_EQ(CoverSize(kBannerDrawings[2], {1300, 324}), (PixelSize{1300, 326}));
}

} // namespace
} // namespace kestrow
