#pragma once

// What the test programs that run one of the program's dialogs share: an owner window that is
// active when the dialog opens, as the main window will be, and a report of the dialog's state
// once it has started, which another process could not always ask for.

#include <windows.h>

#include "win32_handle.h"

namespace kestrow::testing {

struct HookTraits {
    using Handle = HHOOK;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle hook) { ::UnhookWindowsHookEx(hook); }
};
using Hook = UniqueHandle<HookTraits>;

// A plain top-level window with the given title, shown and made the active window.
Window OpenActiveOwner(HINSTANCE instance, const wchar_t* title);

// Calls report with each dialog of this thread once its WM_INITDIALOG has been handled, for as
// long as the returned hook lives.
Hook ReportDialogsOnceStarted(void (*report)(HWND dialog));

// Prints "icons BIG SMALL": the icon handles that a started window holds.
void PrintIcons(HWND dialog);

} // namespace kestrow::testing
