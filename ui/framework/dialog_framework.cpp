#include "dialog_framework.h"

#include <windows.h>

#include <commctrl.h>

namespace kestrow {

bool InitDialogFramework() {
    INITCOMMONCONTROLSEX controls{sizeof(controls),
                                  ICC_STANDARD_CLASSES | ICC_LINK_CLASS | ICC_PROGRESS_CLASS};
    return ::InitCommonControlsEx(&controls) != FALSE;
}

} // namespace kestrow
