#include "banner.h"

#include "dpi_rules.h"

namespace kestrow {

namespace {

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);

// Windows 10 tells each window the dots per inch of its monitor; older systems have one
// figure for the whole screen.
unsigned WindowDpi(HWND window) {
    static const auto getDpiForWindow =
        reinterpret_cast<GetDpiForWindowFunction>(reinterpret_cast<void (*)()>(
            ::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow != nullptr) {
        return getDpiForWindow(window);
    }
    const HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    return static_cast<unsigned>(dpi);
}

} // namespace

void ShowBanner(CStatic& picture, CBitmap& bitmap) {
    bitmap.LoadBitmap(BannerForDpi(WindowDpi(picture.GetSafeHwnd())));
    ::SendMessageW(picture.GetSafeHwnd(), STM_SETIMAGE, IMAGE_BITMAP,
                   reinterpret_cast<LPARAM>(bitmap.GetSafeHandle()));
    ::InvalidateRect(picture.GetSafeHwnd(), nullptr, TRUE);
}

} // namespace kestrow
