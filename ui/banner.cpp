#include "banner.h"

#include "banner_rules.h"
#include "framework/window_dpi.h"

namespace kestrow {

void ShowBanner(const CStatic& picture, CBitmap& bitmap) {
    const HWND control = picture.GetSafeHwnd();
    bitmap.LoadBitmap(BannerForDpi(WindowDpi(control)));
    ::SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP,
                   reinterpret_cast<LPARAM>(bitmap.GetSafeHandle()));
    ::InvalidateRect(control, nullptr, TRUE);
}

} // namespace kestrow
