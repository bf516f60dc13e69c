// license-window: the licence agreement window as the main window opens it, for the GUI tests.
//
//   license-window.exe [OPENINGS]
//
// Opens a plain window titled "License Window Owner" and makes it the active window, loads
// the rich edit library as the main window does, then opens the licence window OPENINGS times
// (once when not given), one after the other. Prints "rich edit 1" (0 when the library could
// not be loaded); for each opening, once the window has started, "icons BIG SMALL" and
// "text N" with the number of characters in its text area; and when it has ended,
// "result N streamed P of S" with its end code and the stream's position and document size.
#include <windows.h>

#include <richedit.h>

#include <cstdio>
#include <cwchar>

#include "dialog_host.h"
#include "framework/rich_edit_library.h"
#include "license_dlg.h"
#include "license_document.h"
#include "resource_ids.h"

namespace {

void ReportLicenseWindow(HWND dialog) {
    const HWND textArea = ::GetDlgItem(dialog, IDC_LICENSE_TEXT);
    if (textArea == nullptr || ::GetDlgItem(dialog, IDC_SAVE) == nullptr) {
        return; // the print or save dialog, not the licence window
    }
    kestrow::testing::PrintIcons(dialog);
    GETTEXTLENGTHEX query{GTL_NUMCHARS | GTL_PRECISE, 1200};
    std::printf("text %lld\n",
                static_cast<long long>(::SendMessageW(textArea, EM_GETTEXTLENGTHEX,
                                                      reinterpret_cast<WPARAM>(&query), 0)));
    std::fflush(stdout);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    if (__argc > 2) {
        return 2;
    }
    const long openings = __argc == 2 ? std::wcstol(__wargv[1], nullptr, 10) : 1;
    const kestrow::Window owner =
        kestrow::testing::OpenActiveOwner(instance, L"License Window Owner");
    std::printf("rich edit %d\n", kestrow::InitRichEdit20() ? 1 : 0);
    const kestrow::testing::Hook hook =
        kestrow::testing::ReportDialogsOnceStarted(&ReportLicenseWindow);
    INT_PTR result = 0;
    for (long opening = 0; opening < openings; ++opening) {
        kestrow::CLicenseDlg license;
        result = license.DoModal();
        std::printf("result %d streamed %ld of %ld\n", static_cast<int>(result),
                    static_cast<long>(kestrow::licenseStreamPosition),
                    static_cast<long>(kestrow::licenseDocumentSize));
        std::fflush(stdout);
    }
    return static_cast<int>(result);
}
