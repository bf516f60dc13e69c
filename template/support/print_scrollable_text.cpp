// SetAllUsers.dll: the custom action behind the Print button of the wizard's licence page. It
// prints the licence text that the page shows on a printer the user picks.

#include "print_layout.h"
#include "rich_edit_printing.h"
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
    const kestrow::Library richEdit = kestrow::print::LoadSystemRichEdit();
    if (!richEdit.IsValid()) {
        return ERROR_INSTALL_FAILURE;
    }
    // Never shown: the control only lays the text out for the printer.
    const kestrow::Window editor(::CreateWindowExW(0, RICHEDIT_CLASSW, L"", WS_POPUP | ES_MULTILINE,
                                                   0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr));
    const bool printed =
        editor.IsValid() && LoadRtf(editor.Get(), rtf) &&
        kestrow::print::PrintRichEditDocument(editor.Get(), printer.Get(), kDocumentName);
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
