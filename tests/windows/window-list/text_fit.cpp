#include "text_fit.h"

#include <algorithm>
#include <cwchar>
#include <regex>

namespace {

// A control's device context with the dialogs' font selected, both released when the owner
// goes. Fonts belong to the process that made them, so the control's own cannot be used here:
// the font that every window of the program declares (8-point "MS Shell Dlg" with the shell
// font style, which the dialog manager takes as "MS Shell Dlg 2") is made again in this
// process, which maps it to the same face when it runs in the program's locale.
class DialogFontDc {
public:
    explicit DialogFontDc(HWND control) : control_(control), dc_(::GetDC(control)) {
        if (dc_ == nullptr) {
            return;
        }
        font_ = ::CreateFontW(-::MulDiv(kPointSize, ::GetDeviceCaps(dc_, LOGPIXELSY), 72), 0, 0, 0,
                              FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                              CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                              L"MS Shell Dlg 2");
        if (font_ != nullptr) {
            previousFont_ = ::SelectObject(dc_, font_);
        }
    }
    ~DialogFontDc() {
        if (previousFont_ != nullptr) {
            ::SelectObject(dc_, previousFont_);
        }
        if (font_ != nullptr) {
            ::DeleteObject(font_);
        }
        if (dc_ != nullptr) {
            ::ReleaseDC(control_, dc_);
        }
    }
    DialogFontDc(const DialogFontDc&) = delete;
    DialogFontDc& operator=(const DialogFontDc&) = delete;

    HDC Get() const { return dc_; }

private:
    static constexpr int kPointSize = 8;
    HWND control_;
    HDC dc_;
    HFONT font_ = nullptr;
    HGDIOBJ previousFont_ = nullptr;
};

// How the control lays its text out: the room it keeps beside the text, and whether the text
// wraps onto more lines.
struct TextRoom {
    int reserved = 0;
    bool wraps = false;
};

// A check box's box is 12 pixels wide at 96 dots per inch and one more, with 4 between it
// and the text.
int CheckBoxRoom(int dpi) {
    return ::MulDiv(12, dpi, 96) + 1 + 4;
}

// The button's own frame and margins take a few pixels; a check box's box takes its width.
std::optional<TextRoom> RoomOf(const std::wstring& className, LONG style, int dpi) {
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
            return TextRoom{CheckBoxRoom(dpi), (style & BS_MULTILINE) != 0};
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
    const DialogFontDc dc(control);
    const std::optional<TextRoom> room = RoomOf(className, ::GetWindowLongW(control, GWL_STYLE),
                                                ::GetDeviceCaps(dc.Get(), LOGPIXELSX));
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
