// SetAllUsers.dll: the custom action behind the Print button of the wizard's licence page. It
// prints the licence text that the page shows on a printer the user picks.

#include "print_layout.h"
#include "win32_handle.h"

#include <windows.h>

#include <commdlg.h>
#include <msiquery.h>
#include <richedit.h>

#include <new>
#include <string>
#include <string_view>

namespace {

struct InstallerHandleTraits {
    using Handle = MSIHANDLE;
    static Handle Invalid() { return 0; }
    static void Close(Handle handle) { ::MsiCloseHandle(handle); }
};
using InstallerHandle = kestrow::UniqueHandle<InstallerHandleTraits>;

constexpr wchar_t kLicenceTextQuery[] =
    L"SELECT `Text` FROM `Control` WHERE `Dialog_` = 'LicenseAgreement' AND "
    L"`Type` = 'ScrollableText'";
constexpr wchar_t kDocumentName[] = L"License Agreement";

// The control's text is RTF in the database's code page, which is also what a rich edit
// control's RTF reader expects, so it is fetched as narrow text and never converted.
bool ReadLicenceText(MSIHANDLE install, std::string& rtf) {
    const InstallerHandle database(::MsiGetActiveDatabase(install));
    MSIHANDLE received = 0;
    if (!database.IsValid() ||
        ::MsiDatabaseOpenViewW(database.Get(), kLicenceTextQuery, &received) != ERROR_SUCCESS) {
        return false;
    }
    const InstallerHandle view(received);
    if (::MsiViewExecute(view.Get(), 0) != ERROR_SUCCESS ||
        ::MsiViewFetch(view.Get(), &received) != ERROR_SUCCESS) {
        return false;
    }
    const InstallerHandle record(received);
    char probe[1] = "";
    DWORD length = 0;
    if (::MsiRecordGetStringA(record.Get(), 1, probe, &length) != ERROR_MORE_DATA) {
        return false; // an empty text leaves nothing to print
    }
    rtf.resize(++length);
    if (::MsiRecordGetStringA(record.Get(), 1, rtf.data(), &length) != ERROR_SUCCESS) {
        return false;
    }
    rtf.resize(length);
    return true;
}

enum class PrinterChoice { kChosen, kCancelled, kFailed };

PrinterChoice ChoosePrinter(kestrow::CreatedDeviceContext& printer) {
    PRINTDLGW dialog{};
    dialog.lStructSize = sizeof(dialog);
    // The action runs in the installer's custom-action server, a process without windows of
    // its own, so the wizard page is the foreground window rather than this thread's active one.
    dialog.hwndOwner = ::GetForegroundWindow();
    dialog.Flags = PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION | PD_USEDEVMODECOPIESANDCOLLATE;
    const BOOL chosen = ::PrintDlgW(&dialog);
    const kestrow::GlobalMemory deviceMode(dialog.hDevMode);
    const kestrow::GlobalMemory deviceNames(dialog.hDevNames);
    printer.Reset(dialog.hDC);
    if (chosen) {
        return printer.IsValid() ? PrinterChoice::kChosen : PrinterChoice::kFailed;
    }
    return ::CommDlgExtendedError() == 0 ? PrinterChoice::kCancelled : PrinterChoice::kFailed;
}

// By full path from the system folder, so that no copy planted beside the package is loaded.
kestrow::Library LoadRichEdit() {
    wchar_t folder[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return kestrow::Library();
    }
    const std::wstring path = std::wstring(folder, length) + L"\\riched20.dll";
    return kestrow::Library(::LoadLibraryW(path.c_str()));
}

DWORD CALLBACK ReadRtf(DWORD_PTR cookie, LPBYTE buffer, LONG capacity, LONG* read) {
    auto* source = reinterpret_cast<kestrow::print::TextSource*>(cookie);
    *read = static_cast<LONG>(
        source->Read(reinterpret_cast<char*>(buffer), static_cast<std::size_t>(capacity)));
    return 0;
}

bool LoadRtf(HWND editor, std::string_view rtf) {
    // The default limit of 32K characters would cut a long licence short.
    ::SendMessageW(editor, EM_EXLIMITTEXT, 0, 0x7FFFFFFF);
    kestrow::print::TextSource source(rtf);
    EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(&source), 0, ReadRtf};
    ::SendMessageW(editor, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
    return stream.dwError == 0 && source.Exhausted();
}

RECT ToRect(const kestrow::print::TwipRect& rect) {
    return {rect.left, rect.top, rect.right, rect.bottom};
}

bool PrintPages(HWND editor, HDC printer, const kestrow::print::PageFrames& frames) {
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

bool PrintDocument(HWND editor, HDC printer) {
    const kestrow::print::PrintableArea area{
        ::GetDeviceCaps(printer, HORZRES), ::GetDeviceCaps(printer, VERTRES),
        ::GetDeviceCaps(printer, LOGPIXELSX), ::GetDeviceCaps(printer, LOGPIXELSY)};
    kestrow::print::PageFrames frames;
    if (!kestrow::print::LayOutPage(area, frames)) {
        return false;
    }
    DOCINFOW document{};
    document.cbSize = sizeof(document);
    document.lpszDocName = kDocumentName;
    if (::StartDocW(printer, &document) <= 0) {
        return false;
    }
    if (!PrintPages(editor, printer, frames)) {
        ::AbortDoc(printer);
        return false;
    }
    return ::EndDoc(printer) > 0;
}

UINT PrintLicenceText(MSIHANDLE install) {
    std::string rtf;
    if (!ReadLicenceText(install, rtf)) {
        return ERROR_INSTALL_FAILURE;
    }
    kestrow::CreatedDeviceContext printer;
    switch (ChoosePrinter(printer)) {
    case PrinterChoice::kCancelled:
        return ERROR_SUCCESS;
    case PrinterChoice::kFailed:
        return ERROR_INSTALL_FAILURE;
    case PrinterChoice::kChosen:
        break;
    }
    const kestrow::Library richEdit = LoadRichEdit();
    if (!richEdit.IsValid()) {
        return ERROR_INSTALL_FAILURE;
    }
    // Never shown: the control only lays the text out for the printer.
    const kestrow::Window editor(::CreateWindowExW(0, RICHEDIT_CLASSW, L"", WS_POPUP | ES_MULTILINE,
                                                   0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr));
    const bool printed = editor.IsValid() && LoadRtf(editor.Get(), rtf) &&
                         PrintDocument(editor.Get(), printer.Get());
    return printed ? ERROR_SUCCESS : ERROR_INSTALL_FAILURE;
}

} // namespace

extern "C" __declspec(dllexport) UINT __stdcall PrintScrollableText(MSIHANDLE install) {
    try {
        return PrintLicenceText(install);
    } catch (const std::bad_alloc&) {
        return ERROR_INSTALL_FAILURE; // the installer must not see an exception
    }
}
