#include "dialog_host.h"

#include <cstdio>

namespace kestrow::testing {

namespace {

constexpr wchar_t kOwnerClass[] = L"KestrowDialogHostOwner";

void (*reportStarted)(HWND dialog) = nullptr;

LRESULT CALLBACK ReportOnceStarted(int code, WPARAM wParam, LPARAM lParam) {
    const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_INITDIALOG && reportStarted != nullptr) {
        reportStarted(call->hwnd);
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

Window OpenActiveOwner(HINSTANCE instance, const wchar_t* title) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = ::DefWindowProcW;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kOwnerClass;
    ::RegisterClassW(&windowClass);
    Window owner(::CreateWindowExW(0, kOwnerClass, title, WS_OVERLAPPEDWINDOW, 40, 40, 640, 480,
                                   nullptr, nullptr, instance, nullptr));
    ::ShowWindow(owner.Get(), SW_SHOW);
    ::SetForegroundWindow(owner.Get());
    ::SetActiveWindow(owner.Get());
    return owner;
}

Hook ReportDialogsOnceStarted(void (*report)(HWND dialog)) {
    reportStarted = report;
    return Hook(::SetWindowsHookExW(WH_CALLWNDPROCRET, &ReportOnceStarted, nullptr,
                                    ::GetCurrentThreadId()));
}

void PrintIcons(HWND dialog) {
    const LRESULT big = ::SendMessageW(dialog, WM_GETICON, ICON_BIG, 0);
    const LRESULT small = ::SendMessageW(dialog, WM_GETICON, ICON_SMALL, 0);
    std::printf("icons %lld %lld\n", static_cast<long long>(big), static_cast<long long>(small));
}

} // namespace kestrow::testing
