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
#include <string>

#include "load_ui_string.h"
#include "package_status.h"
#include "win32_handle.h"

namespace {

constexpr wchar_t kOwnerClass[] = L"KestrowStatusWindowOwner";

kestrow::Window OpenActiveOwner(HINSTANCE instance) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = ::DefWindowProcW;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kOwnerClass;
    ::RegisterClassW(&windowClass);
    kestrow::Window owner(::CreateWindowExW(0, kOwnerClass, L"Status Window Owner",
                                            WS_OVERLAPPEDWINDOW, 40, 40, 640, 480, nullptr, nullptr,
                                            instance, nullptr));
    ::ShowWindow(owner.Get(), SW_SHOW);
    ::SetForegroundWindow(owner.Get());
    ::SetActiveWindow(owner.Get());
    return owner;
}

struct HookTraits {
    using Handle = HHOOK;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle hook) { ::UnhookWindowsHookEx(hook); }
};
using Hook = kestrow::UniqueHandle<HookTraits>;

LRESULT CALLBACK ReportIconsOnceStarted(int code, WPARAM wParam, LPARAM lParam) {
    const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_INITDIALOG) {
        const LRESULT big = ::SendMessageW(call->hwnd, WM_GETICON, ICON_BIG, 0);
        const LRESULT small = ::SendMessageW(call->hwnd, WM_GETICON, ICON_SMALL, 0);
        std::printf("icons %lld %lld\n", static_cast<long long>(big),
                    static_cast<long long>(small));
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

UINT TextId(const wchar_t* argument) {
    return static_cast<UINT>(std::wcstoul(argument, nullptr, 10));
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    if (__argc < 3 || __argc > 4) {
        return 2;
    }
    const kestrow::Window owner = OpenActiveOwner(instance);
    kestrow::CPackageStatus status(kestrow::LoadUiString(TextId(__wargv[1])),
                                   kestrow::LoadUiString(TextId(__wargv[2])),
                                   __argc == 4 ? __wargv[3] : L"");
    const Hook hook(::SetWindowsHookExW(WH_CALLWNDPROCRET, &ReportIconsOnceStarted, nullptr,
                                        ::GetCurrentThreadId()));
    const INT_PTR result = status.DoModal();
    std::printf("result %d\n", static_cast<int>(result));
    std::fflush(stdout);
    return static_cast<int>(result);
}
