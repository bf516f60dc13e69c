#include "label_width.h"

#include <algorithm>
#include <string>

namespace kestrow {

namespace {

// The label's device context with the label's font selected, both given back when it goes.
class LabelDc {
public:
    explicit LabelDc(HWND label) : label_(label), dc_(::GetDC(label)) {
        const auto font = reinterpret_cast<HFONT>(::SendMessageW(label, WM_GETFONT, 0, 0));
        if (dc_ != nullptr && font != nullptr) {
            previousFont_ = ::SelectObject(dc_, font);
        }
    }
    ~LabelDc() {
        if (previousFont_ != nullptr) {
            ::SelectObject(dc_, previousFont_);
        }
        if (dc_ != nullptr) {
            ::ReleaseDC(label_, dc_);
        }
    }
    LabelDc(const LabelDc&) = delete;
    LabelDc& operator=(const LabelDc&) = delete;

    int TextWidth(const std::wstring& text) const {
        RECT needed{};
        ::DrawTextW(dc_, text.c_str(), static_cast<int>(text.size()), &needed,
                    DT_CALCRECT | DT_SINGLELINE);
        return needed.right;
    }

private:
    HWND label_;
    HDC dc_;
    HGDIOBJ previousFont_ = nullptr;
};

std::wstring TextOf(HWND window) {
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

} // namespace

void WidenToFitText(HWND label) {
    const HWND window = ::GetParent(label);
    RECT box{};
    ::GetWindowRect(label, &box);
    ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&box), 2);
    RECT client{};
    ::GetClientRect(window, &client);
    const int needed = LabelDc(label).TextWidth(TextOf(label));
    const int width = box.right - box.left;
    if (needed > width) {
        const int widest = std::max(width, static_cast<int>(client.right - 2 * box.left));
        ::SetWindowPos(label, nullptr, 0, 0, std::min(needed, widest), box.bottom - box.top,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

} // namespace kestrow
