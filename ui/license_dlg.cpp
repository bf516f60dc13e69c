#include "license_dlg.h"

#include <commdlg.h>
#include <richedit.h>

#include "framework/file_dialog.h"
#include "framework/print_dialog.h"
#include "framework/stdio_file.h"
#include "license_document.h"
#include "license_document_rules.h"
#include "load_ui_string.h"
#include "program_icon.h"
#include "resource_ids.h"
#include "rich_edit_printing.h"
#include "system_error_text.h"
#include "ui_language.h"
#include "ui_text_format.h"

namespace kestrow {

namespace {

constexpr DWORD kPrintDialogFlags =
    PD_ALLPAGES | PD_USEDEVMODECOPIES | PD_NOPAGENUMS | PD_HIDEPRINTTOFILE | PD_NOSELECTION;
// The type's name and the file's are the user's language's.
constexpr wchar_t kSavePattern[] = L"|*.rtf||";

void StreamDocumentInto(HWND textArea) {
    const std::uint8_t* document = LoadLicenseDocument(UiLanguage);
    licenseStreamPosition = 0;
    EDITSTREAM stream{reinterpret_cast<DWORD_PTR>(document), 0, &StreamLicenseDocument};
    ::SendMessageW(textArea, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
}

} // namespace

CLicenseDlg::CLicenseDlg() : CDialogEx(IDD_LICENSE), icon_(LoadProgramIcon()) {}

const MessageMap* CLicenseDlg::GetMessageMap() const {
    static const MessageMapEntry entries[] = {
        CommandEntry(IDC_PRINT, BN_CLICKED, &CLicenseDlg::OnPrint),
        CommandEntry(IDC_SAVE, BN_CLICKED, &CLicenseDlg::OnSave),
    };
    static const MessageMap map{CDialogEx::GetMessageMap(), entries};
    return &map;
}

void CLicenseDlg::DoDataExchange(CDataExchange& exchange) {
    CDialogEx::DoDataExchange(exchange);
    DDX_Control(exchange, IDOK, okButton_);
    DDX_Control(exchange, IDC_PRINT, printButton_);
    DDX_Control(exchange, IDC_SAVE, saveButton_);
}

BOOL CLicenseDlg::OnInitDialog() {
    CDialogEx::OnInitDialog();
    SetIcons(icon_.Get());
    textArea_.Attach(::GetDlgItem(hwnd_, IDC_LICENSE_TEXT));
    if (textArea_.GetSafeHwnd() == nullptr) {
        return FALSE;
    }
    StreamDocumentInto(textArea_.GetSafeHwnd());
    SetWindowText(LoadUiString(IDS_LICENSE_CAPTION));
    okButton_.SetWindowText(LoadUiString(IDS_OK));
    printButton_.SetWindowText(LoadUiString(IDS_PRINT));
    saveButton_.SetWindowText(LoadUiString(IDS_SAVE));
    return TRUE;
}

void CLicenseDlg::OnPrint() {
    CPrintDialog dialog(false, kPrintDialogFlags);
    if (dialog.DoModal() != IDOK) {
        return;
    }
    const CreatedDeviceContext printer = dialog.CreatePrinterDC();
    const std::wstring documentName = LoadUiString(IDS_LICENSE_CAPTION);
    if (!printer.IsValid() || !print::PrintRichEditDocument(textArea_.GetSafeHwnd(), printer.Get(),
                                                            documentName.c_str())) {
        ShowFailure(FillPlaceholders(LoadUiString(IDS_PRINT_FAILED), {dialog.GetDeviceName()}));
    }
}

void CLicenseDlg::OnSave() {
    const std::wstring fileName = LoadUiString(IDS_LICENSE_FILE_NAME);
    const std::wstring filter = LoadUiString(IDS_LICENSE_FILTER) + kSavePattern;
    CFileDialog dialog(false, nullptr, fileName.c_str(), OFN_OVERWRITEPROMPT, filter.c_str());
    if (dialog.DoModal() != IDOK) {
        return;
    }
    const std::wstring& path = dialog.GetPathName();
    const DWORD error = SaveLicenseDocument(path);
    if (error != ERROR_SUCCESS) {
        ShowFailure(
            FillPlaceholders(LoadUiString(IDS_SAVE_FAILED), {path, SystemErrorText(error)}));
    }
}

void CLicenseDlg::ShowFailure(const std::wstring& message) {
    ::MessageBoxW(hwnd_, message.c_str(), LoadUiString(IDS_LICENSE_CAPTION).c_str(),
                  MB_OK | MB_ICONERROR);
}

DWORD SaveLicenseDocument(const std::wstring& path) {
    CStdioFile file;
    DWORD error =
        file.Open(path, CStdioFile::modeCreate | CStdioFile::modeWrite | CStdioFile::typeBinary);
    if (error != ERROR_SUCCESS) {
        return error;
    }
    const std::uint8_t* document = LoadLicenseDocument(UiLanguage);
    const std::span<const std::uint8_t> whole =
        document != nullptr ? std::span(document, static_cast<std::size_t>(licenseDocumentSize))
                            : std::span<const std::uint8_t>();
    error = file.Write(LicenseTextToSave(whole));
    file.Close();
    if (error != ERROR_SUCCESS) {
        ::DeleteFileW(path.c_str());
    }
    return error;
}

} // namespace kestrow
