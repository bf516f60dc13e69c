// progress-window: the conversion's progress window as the main window opens it, for the GUI
// tests.
//
//   progress-window.exe PACKAGE_NAME PERMILLE
//
// Opens a plain window titled "Progress Window Owner" and makes it the active window, then
// shows the progress window over it for the package PACKAGE_NAME with the bar at PERMILLE,
// and answers messages until it is ended.
#include <windows.h>

#include <cwchar>

#include "build_progress.h"
#include "dialog_host.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    if (__argc != 3) {
        return 2;
    }
    const kestrow::Window owner =
        kestrow::testing::OpenActiveOwner(instance, L"Progress Window Owner");
    kestrow::CBuildProgress progress(__wargv[1]);
    if (!progress.Open(owner.Get(), static_cast<unsigned>(std::wcstoul(__wargv[2], nullptr, 10)))) {
        return 1;
    }
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return 0;
}
