#include "text_fit.h"

#include <algorithm>
#include <cwchar>
#include <regex>

#include "win32_handle.h"

namespace {

using kestrow::Font;
using kestrow::SelectedObject;
using kestrow::WindowDc;

// The dialogs' font made again in this process: fonts belong to the process that made them,
// so the control's own cannot be used here. Every window of the program declares 8-point
// "MS Shell Dlg" with the shell font style, which the dialog manager takes as "MS Shell Dlg
// 2"; this process maps it to the same face when it runs in the program's locale, at the same
// size when it started at the same dots per inch.
Font DialogFont(HDC dc) {
    constexpr int kPointSize = 8;
    return Font(::CreateFontW(-::MulDiv(kPointSize, ::GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0,
                              FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                              CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                              L"MS Shell Dlg 2"));
}

// How the control lays its text out: the room it keeps beside the text, and whether the text
// wraps onto more lines.
struct TextRoom {
    int reserved = 0;
    bool wraps = false;
};

// A check box draws its box 12 pixels and one wide at 96 dots per inch, and its text half a
// digit's width after it.
int CheckBoxRoom(HDC dc) {
    INT zeroWidth = 0;
    ::GetCharWidth32W(dc, L'0', L'0', &zeroWidth);
    return ::MulDiv(12, ::GetDeviceCaps(dc, LOGPIXELSY), 96) + 1 + zeroWidth / 2;
}

// The button's own frame and margins take a few pixels; a check box's box takes its width.
std::optional<TextRoom> RoomOf(const std::wstring& className, LONG style, HDC dc) {
    if (::_wcsicmp(className.c_str(), L"Static") == 0) {
        const LONG type = style & SS_TYPEMASK;
        if (type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT) {
            return TextRoom{0, true};
        }
        return type == SS_LEFTNOWORDWRAP || type == SS_SIMPLE ? std::optional(TextRoom{})
                                                              : std::nullopt;
    }
    if (::_wcsicmp(className.c_str(), L"Button") == 0) {
        const LONG type = style & BS_TYPEMASK;
        if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) {
            return TextRoom{6, (style & BS_MULTILINE) != 0};
        }
        if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_RADIOBUTTON ||
            type == BS_AUTORADIOBUTTON) {
            return TextRoom{CheckBoxRoom(dc), (style & BS_MULTILINE) != 0};
        }
        return std::nullopt;
    }
    if (::_wcsicmp(className.c_str(), L"SysLink") == 0) {
        return TextRoom{0, true};
    }
    return std::nullopt;
}

} // namespace

std::optional<bool> TextFits(HWND control, const std::wstring& className,
                             const std::wstring& text) {
    const WindowDc dc(control);
    const Font font = DialogFont(dc.Get());
    const SelectedObject selected(dc.Get(), font.Get());
    const std::optional<TextRoom> room =
        RoomOf(className, ::GetWindowLongW(control, GWL_STYLE), dc.Get());
    if (!room || text.empty()) {
        return std::nullopt;
    }
    // A link control's text holds its markup; only what is between the tags shows.
    const std::wstring shown = std::regex_replace(text, std::wregex(L"</?a[^>]*>"), L"");
    RECT client{};
    ::GetClientRect(control, &client);
    RECT needed{0, 0, client.right - room->reserved, 0};
    const UINT format = DT_CALCRECT | (room->wraps ? DT_WORDBREAK : DT_SINGLELINE);
    ::DrawTextW(dc.Get(), shown.c_str(), static_cast<int>(shown.size()), &needed, format);
    // The last glyph's advance ends in blank space that the control may clip unseen.
    ABC last{};
    if (!room->wraps && ::GetCharABCWidthsW(dc.Get(), shown.back(), shown.back(), &last)) {
        needed.right -= std::max(0, static_cast<int>(last.abcC));
    }
    return needed.right <= client.right - room->reserved && needed.bottom <= client.bottom;
}
