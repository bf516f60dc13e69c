// desktop-keeper: stays on the desktop for as long as the Wine server runs.
//
// Wine closes the desktop process (explorer.exe /desktop) a moment after the last program
// on the desktop ends, and the next program starts it again, handing it its own standard
// handles: a test reading that program's output through a pipe would then wait for the
// desktop to close. With this program on the desktop for the whole session, the desktop
// started at boot, with no handles of any test, is the only one.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // A message-only window ties the program to the desktop without showing anywhere.
    const HWND window = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                          instance, nullptr);
    if (window == nullptr) {
        return 1;
    }
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::DispatchMessageW(&message);
    }
    return 0;
}
