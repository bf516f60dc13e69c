#include "control_fit.h"

#include <cwchar>
#include <string>
#include <vector>

#include "control_fit_rules.h"
#include "win32_handle.h"
#include "window_dpi.h"
#include "wnd.h"

namespace kestrow {

namespace {

// The controls whose text may need more room, by how they lay it out.
enum class TextLayout { kNone, kLine, kWrapped, kPushButton, kCheckBox };

TextLayout LayoutOf(HWND control) {
    wchar_t className[16] = {};
    ::GetClassNameW(control, className, 16);
    const LONG style = ::GetWindowLongW(control, GWL_STYLE);
    if (::_wcsicmp(className, L"Static") == 0) {
        if ((style & SS_ELLIPSISMASK) != 0) {
            return TextLayout::kNone; // it shortens its text by design
        }
        // Centred and right-aligned texts would move as they widen.
        switch (style & SS_TYPEMASK) {
        case SS_LEFT:
            return TextLayout::kWrapped;
        case SS_LEFTNOWORDWRAP:
            return TextLayout::kLine;
        default:
            return TextLayout::kNone;
        }
    }
    if (::_wcsicmp(className, L"Button") != 0 || (style & BS_MULTILINE) != 0) {
        return TextLayout::kNone;
    }
    switch (style & BS_TYPEMASK) {
    case BS_PUSHBUTTON:
    case BS_DEFPUSHBUTTON:
        return TextLayout::kPushButton;
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_AUTO3STATE:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
        return TextLayout::kCheckBox;
    default:
        return TextLayout::kNone;
    }
}

std::wstring TextOf(HWND control) {
    CWnd window;
    window.Attach(control);
    return window.GetWindowText();
}

// What a text takes drawn with the flags; a wrapping text breaks its lines at the width.
RECT TextRect(HDC dc, const std::wstring& text, UINT flags, int width = 0) {
    RECT rect{0, 0, width, 0};
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, flags | DT_CALCRECT);
    return rect;
}

// The pixels beside the text: a push button's frame, a check box's box and the gap after it.
int RoomBesideText(TextLayout layout, HDC dc, unsigned dpi) {
    const int scale = static_cast<int>(dpi);
    if (layout == TextLayout::kPushButton) {
        return ::MulDiv(6, scale, 96);
    }
    if (layout == TextLayout::kCheckBox) {
        INT zeroWidth = 0;
        ::GetCharWidth32W(dc, L'0', L'0', &zeroWidth);
        return ::MulDiv(12, scale, 96) + 1 + zeroWidth / 2;
    }
    return 0;
}

Box BoxOf(HWND control, HWND dialog) {
    RECT rect{};
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return Box{rect.left, rect.top, rect.right, rect.bottom};
}

// Statics may be told to show ampersands; buttons always take one as a mnemonic's mark.
UINT PrefixFlag(HWND control, TextLayout layout) {
    const bool isStatic = layout == TextLayout::kLine || layout == TextLayout::kWrapped;
    return isStatic && (::GetWindowLongW(control, GWL_STYLE) & SS_NOPREFIX) != 0 ? DT_NOPREFIX : 0;
}

TextNeeds MeasureText(HWND control, TextLayout layout, const Box& box, unsigned dpi) {
    const WindowDc dc(control);
    const SelectedObject font(dc.Get(),
                              reinterpret_cast<HGDIOBJ>(::SendMessageW(control, WM_GETFONT, 0, 0)));
    const std::wstring text = TextOf(control);
    const UINT prefix = PrefixFlag(control, layout);
    RECT client{};
    ::GetClientRect(control, &client);
    // A border, if any, takes its share of the box as well.
    const int frameWidth = box.Width() - client.right;
    const int frameHeight = box.Height() - client.bottom;

    TextNeeds needs;
    needs.lineWidth = TextRect(dc.Get(), text, DT_SINGLELINE | prefix).right +
                      RoomBesideText(layout, dc.Get(), dpi) + frameWidth;
    if (layout == TextLayout::kWrapped) {
        const RECT wrapped = TextRect(dc.Get(), text, DT_WORDBREAK | prefix, client.right);
        needs.wraps = true;
        needs.wrappedWidth = wrapped.right + frameWidth;
        needs.wrappedHeight = wrapped.bottom + frameHeight;
    }
    return needs;
}

std::vector<HWND> VisibleControls(HWND dialog) {
    std::vector<HWND> controls;
    // The style, not IsWindowVisible: the dialog itself is not shown yet.
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        if ((::GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE) != 0) {
            controls.push_back(child);
        }
    }
    return controls;
}

std::vector<Box> BoxesBesides(HWND control, HWND dialog, const std::vector<HWND>& controls) {
    std::vector<Box> boxes;
    for (const HWND other : controls) {
        if (other != control) {
            boxes.push_back(BoxOf(other, dialog));
        }
    }
    return boxes;
}

} // namespace

void FitControlsToTexts(HWND dialog) {
    RECT clientRect{};
    ::GetClientRect(dialog, &clientRect);
    const Box client{clientRect.left, clientRect.top, clientRect.right, clientRect.bottom};
    const unsigned dpi = WindowDpi(dialog);
    const std::vector<HWND> controls = VisibleControls(dialog);
    for (const HWND control : controls) {
        const TextLayout layout = LayoutOf(control);
        if (layout == TextLayout::kNone) {
            continue;
        }
        const Box box = BoxOf(control, dialog);
        const Box fitted = FittedBox(box, MeasureText(control, layout, box, dpi),
                                     BoxesBesides(control, dialog, controls), client);
        if (fitted != box) {
            ::SetWindowPos(control, nullptr, fitted.left, fitted.top, fitted.Width(),
                           fitted.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
}

} // namespace kestrow
