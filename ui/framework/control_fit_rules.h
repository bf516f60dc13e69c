#pragma once

// How far a control grows so that its whole text shows. A dialog template is laid out in
// dialog units, which follow the font's average letter; a particular text does not grow in
// step with them when the face or the screen's dots per inch differ from those the template
// was drawn for, so a label that just held its text may lose its last letters, or a
// paragraph its last line. Such a control takes room that no other control uses; a control
// whose text shows whole is never touched.

#include <vector>

namespace kestrow {

// A rectangle in the window's client pixels; right and bottom lie just outside it.
struct Box {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const Box&) const = default;
};

// What a control's text needs, in pixels, the room that the control keeps beside its text
// (a check box's box, a button's frame) included.
struct TextNeeds {
    // The text on one line.
    int lineWidth = 0;
    // Whether the control wraps its text onto more lines (a static text); then the text as
    // wrapped at the control's present width, whose widest line may still be wider when a
    // word does not fit.
    bool wraps = false;
    int wrappedWidth = 0;
    int wrappedHeight = 0;
};

// Whether the control shows its whole text as it is.
bool HoldsText(const Box& control, const TextNeeds& text);

// The control's box once it holds its text as far as the room allows. A text that fits on
// one line within the room to the right is given that line; a wrapping text that does not
// keeps its width and grows down instead. The room ends at the nearest other control in the
// way, and at the window's edge less the smaller of the control's margins to the left and
// right edges: a control in a left column keeps a right margin as wide as its left one, and
// one at the window's right edge does not widen. Others are the window's other visible
// controls.
Box FittedBox(const Box& control, const TextNeeds& text, const std::vector<Box>& others,
              const Box& client);

} // namespace kestrow
