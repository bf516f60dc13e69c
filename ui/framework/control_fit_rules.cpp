#include "control_fit_rules.h"

#include <algorithm>

namespace kestrow {

namespace {

bool OverlapRows(const Box& one, const Box& other) {
    return one.top < other.bottom && other.top < one.bottom;
}

bool OverlapColumns(const Box& one, const Box& other) {
    return one.left < other.right && other.left < one.right;
}

// The smaller of the control's margins to the window's left and right edges.
int SideMargin(const Box& control, const Box& client) {
    return std::max(std::min(control.left - client.left, client.right - control.right), 0);
}

// The right edge as far as the control may widen.
int RightLimit(const Box& control, const std::vector<Box>& others, const Box& client) {
    int limit = client.right - SideMargin(control, client);
    for (const Box& other : others) {
        if (other.left >= control.right && OverlapRows(control, other)) {
            limit = std::min(limit, other.left);
        }
    }
    return std::max(limit, control.right);
}

// The bottom edge as far as the control may grow down.
int BottomLimit(const Box& control, const std::vector<Box>& others, const Box& client) {
    int limit = client.bottom - SideMargin(control, client);
    for (const Box& other : others) {
        if (other.top >= control.bottom && OverlapColumns(control, other)) {
            limit = std::min(limit, other.top);
        }
    }
    return std::max(limit, control.bottom);
}

} // namespace

bool HoldsText(const Box& control, const TextNeeds& text) {
    if (!text.wraps) {
        return text.lineWidth <= control.Width();
    }
    return text.wrappedWidth <= control.Width() && text.wrappedHeight <= control.Height();
}

Box FittedBox(const Box& control, const TextNeeds& text, const std::vector<Box>& others,
              const Box& client) {
    if (HoldsText(control, text)) {
        return control;
    }
    Box fitted = control;
    const int rightLimit = RightLimit(control, others, client);
    if (!text.wraps || control.left + text.lineWidth <= rightLimit) {
        fitted.right = std::min(control.left + text.lineWidth, rightLimit);
        return fitted;
    }
    fitted.bottom =
        std::min(control.top + text.wrappedHeight, BottomLimit(control, others, client));
    return fitted;
}

} // namespace kestrow
