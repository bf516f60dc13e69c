#pragma once

// Window objects in the manner of the classic dialog framework: a thin, non-owning wrapper
// around a window handle. The dialog manager creates and destroys the windows; an object only
// refers to one while it is bound.

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <utility>

#include "win32_handle.h"

namespace kestrow {

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetSafeHwnd() const { return hwnd_; }
    void Attach(HWND window) { hwnd_ = window; }

    void SetWindowText(const std::wstring& text) { ::SetWindowTextW(hwnd_, text.c_str()); }
    std::wstring GetWindowText() const {
        std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(hwnd_)) + 1, L'\0');
        text.resize(static_cast<std::size_t>(
            ::GetWindowTextW(hwnd_, text.data(), static_cast<int>(text.size()))));
        return text;
    }
    void EnableWindow(bool enable) { ::EnableWindow(hwnd_, enable ? TRUE : FALSE); }
    void SetFocus() { ::SetFocus(hwnd_); }
    void ShowWindow(int command) { ::ShowWindow(hwnd_, command); }
    void SetIcon(HICON icon, bool big) {
        ::SendMessageW(hwnd_, WM_SETICON, big ? ICON_BIG : ICON_SMALL,
                       reinterpret_cast<LPARAM>(icon));
    }
    // The same icon in the caption (small) and in the task switcher (big), big first.
    void SetIcons(HICON icon) {
        SetIcon(icon, true);
        SetIcon(icon, false);
    }

protected:
    HWND hwnd_ = nullptr;
};

// Static texts and pictures.
class CStatic : public CWnd {};

// Push buttons, check boxes and radio buttons.
class CButton : public CWnd {
public:
    bool IsChecked() const { return ::SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED; }
};

// Edit fields.
class CEdit : public CWnd {};

// Progress bars (the common controls' PROGRESS_CLASS).
class CProgressCtrl : public CWnd {
public:
    void SetRange32(int lower, int upper) { ::SendMessageW(hwnd_, PBM_SETRANGE32, lower, upper); }
    void SetPos(int position) { ::SendMessageW(hwnd_, PBM_SETPOS, position, 0); }
};

// A bitmap from the program's resources, released with the object.
class CBitmap {
public:
    bool LoadBitmap(UINT resourceId) {
        bitmap_ = Bitmap(::LoadBitmapW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resourceId)));
        return bitmap_.IsValid();
    }
    void Attach(Bitmap bitmap) { bitmap_ = std::move(bitmap); }
    HBITMAP GetSafeHandle() const { return bitmap_.Get(); }

private:
    Bitmap bitmap_;
};

} // namespace kestrow
