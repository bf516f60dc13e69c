#include "banner.h"

#include <array>

#include "banner_rules.h"
#include "resource_ids.h"

namespace kestrow {

namespace {

// The banner drawn for 100 %, 150 % and 200 %, from the smallest.
constexpr std::array<UINT, 3> kBannerDrawings{IDB_BANNER, IDB_BANNER_150, IDB_BANNER_200};

PixelSize BitmapSize(HBITMAP bitmap) {
    BITMAP facts{};
    ::GetObjectW(bitmap, sizeof facts, &facts);
    return {facts.bmWidth, facts.bmHeight};
}

// The strip the banner fills: the window's width, as high as the templates make it. The
// control itself has taken the size of the bitmap it was created with.
PixelSize BannerStrip(HWND control) {
    const HWND window = ::GetParent(control);
    RECT client{};
    ::GetClientRect(window, &client);
    RECT height{0, 0, 0, KESTROW_BANNER_HEIGHT};
    ::MapDialogRect(window, &height);
    return {client.right - client.left, height.bottom};
}

// The drawing that suits the strip, scaled to cover it, as a bitmap of the strip's size.
Bitmap DrawBanner(HWND control, PixelSize strip) {
    std::array<CBitmap, kBannerDrawings.size()> drawings;
    std::array<PixelSize, kBannerDrawings.size()> sizes;
    for (std::size_t index = 0; index < drawings.size(); ++index) {
        drawings[index].LoadBitmap(kBannerDrawings[index]);
        sizes[index] = BitmapSize(drawings[index].GetSafeHandle());
    }
    const std::size_t chosen = PickBannerDrawing(sizes, strip);
    const PixelSize drawn = CoverSize(sizes[chosen], strip);

    const WindowDc screen(control);
    Bitmap banner(::CreateCompatibleBitmap(screen.Get(), strip.width, strip.height));
    const CreatedDeviceContext source(::CreateCompatibleDC(screen.Get()));
    const CreatedDeviceContext target(::CreateCompatibleDC(screen.Get()));
    const SelectedObject sourceBitmap(source.Get(), drawings[chosen].GetSafeHandle());
    const SelectedObject targetBitmap(target.Get(), banner.Get());
    ::SetStretchBltMode(target.Get(), HALFTONE);
    ::SetBrushOrgEx(target.Get(), 0, 0, nullptr);
    ::StretchBlt(target.Get(), 0, 0, drawn.width, drawn.height, source.Get(), 0, 0,
                 sizes[chosen].width, sizes[chosen].height, SRCCOPY);
    return banner;
}

} // namespace

void ShowBanner(const CStatic& picture, CBitmap& bitmap) {
    const HWND control = picture.GetSafeHwnd();
    bitmap.Attach(DrawBanner(control, BannerStrip(control)));
    // The control takes the size of its new bitmap.
    ::SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP,
                   reinterpret_cast<LPARAM>(bitmap.GetSafeHandle()));
    ::InvalidateRect(control, nullptr, TRUE);
}

} // namespace kestrow
