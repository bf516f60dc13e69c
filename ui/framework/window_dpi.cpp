#include "window_dpi.h"

#include "win32_handle.h"

namespace kestrow {

namespace {

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);

// Looked up by name, since older systems lack it and the program still runs there.
GetDpiForWindowFunction GetDpiForWindowOfTheSystem() {
    static const auto function =
        reinterpret_cast<GetDpiForWindowFunction>(reinterpret_cast<void (*)()>(
            ::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    return function;
}

} // namespace

unsigned WindowDpi(HWND window) {
    if (const GetDpiForWindowFunction getDpiForWindow = GetDpiForWindowOfTheSystem()) {
        if (const UINT dpi = getDpiForWindow(window); dpi != 0) {
            return dpi;
        }
    }
    const WindowDc screen(nullptr);
    return static_cast<unsigned>(::GetDeviceCaps(screen.Get(), LOGPIXELSY));
}

} // namespace kestrow
