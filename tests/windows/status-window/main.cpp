// status-window: the package status window as the main window opens it, for the GUI tests.
//
//   status-window.exe CAPTION_ID MESSAGE_ID [LOCATION]
//
// Opens a plain window titled "Status Window Owner", makes it the active window, then runs
// the package status window with the interface texts CAPTION_ID and MESSAGE_ID and the
// location (empty when not given). Prints "icons BIG SMALL" with the icon handles that the
// window holds once it has started (another process cannot ask for them under Wine), then
// "result N" with the window's end code, and exits with it.
#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "dialog_host.h"
#include "load_ui_string.h"
#include "package_status.h"

namespace {

UINT TextId(const wchar_t* argument) {
    return static_cast<UINT>(std::wcstoul(argument, nullptr, 10));
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    if (__argc < 3 || __argc > 4) {
        return 2;
    }
    const kestrow::Window owner =
        kestrow::testing::OpenActiveOwner(instance, L"Status Window Owner");
    kestrow::CPackageStatus status(kestrow::LoadUiString(TextId(__wargv[1])),
                                   kestrow::LoadUiString(TextId(__wargv[2])),
                                   __argc == 4 ? __wargv[3] : L"");
    const kestrow::testing::Hook hook =
        kestrow::testing::ReportDialogsOnceStarted(&kestrow::testing::PrintIcons);
    const INT_PTR result = status.DoModal();
    std::printf("result %d\n", static_cast<int>(result));
    std::fflush(stdout);
    return static_cast<int>(result);
}
