#include "rich_edit_printing.h"

#include <richedit.h>

#include <string>

#include "print_layout.h"

namespace kestrow::print {

namespace {

RECT ToRect(const TwipRect& rect) {
    return {rect.left, rect.top, rect.right, rect.bottom};
}

bool PrintPages(HWND editor, HDC printer, const PageFrames& frames) {
    GETTEXTLENGTHEX query{GTL_NUMCHARS | GTL_PRECISE, 1200};
    const LONG length = static_cast<LONG>(
        ::SendMessageW(editor, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&query), 0));
    FORMATRANGE range{};
    range.hdc = printer;
    range.hdcTarget = printer;
    range.rcPage = ToRect(frames.page);
    range.chrg = {0, -1};
    bool printed = true;
    while (printed && range.chrg.cpMin < length) {
        range.rc = ToRect(frames.text); // each call shrinks it to the text it placed
        printed = ::StartPage(printer) > 0;
        const LONG next = printed
                              ? static_cast<LONG>(::SendMessageW(editor, EM_FORMATRANGE, TRUE,
                                                                 reinterpret_cast<LPARAM>(&range)))
                              : 0;
        // A page that takes no text would otherwise repeat for ever.
        printed = printed && ::EndPage(printer) > 0 && next > range.chrg.cpMin;
        range.chrg.cpMin = next;
    }
    ::SendMessageW(editor, EM_FORMATRANGE, FALSE, 0); // drops the control's cached layout
    return printed;
}

} // namespace

Library LoadSystemRichEdit() {
    wchar_t folder[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return Library();
    }
    const std::wstring path = std::wstring(folder, length) + L"\\riched20.dll";
    return Library(::LoadLibraryW(path.c_str()));
}

bool PrintRichEditDocument(HWND editor, HDC printer, const wchar_t* documentName) {
    const PrintableArea area{::GetDeviceCaps(printer, HORZRES), ::GetDeviceCaps(printer, VERTRES),
                             ::GetDeviceCaps(printer, LOGPIXELSX),
                             ::GetDeviceCaps(printer, LOGPIXELSY)};
    PageFrames frames;
    if (!LayOutPage(area, frames)) {
        return false;
    }
    DOCINFOW document{};
    document.cbSize = sizeof(document);
    document.lpszDocName = documentName;
    if (::StartDocW(printer, &document) <= 0) {
        return false;
    }
    if (!PrintPages(editor, printer, frames)) {
        ::AbortDoc(printer);
        return false;
    }
    return ::EndDoc(printer) > 0;
}

} // namespace kestrow::print
