#include "kestrow_dlg.h"

#include <commdlg.h>
#include <shlwapi.h>

#include "banner.h"
#include "build_progress_rules.h"
#include "framework/file_dialog.h"
#include "framework/file_find.h"
#include "framework/folder_browser.h"
#include "framework/rich_edit_library.h"
#include "license_dlg.h"
#include "load_ui_string.h"
#include "package_status.h"
#include "program_icon.h"
#include "resource_ids.h"
#include "ui_text_format.h"

namespace kestrow {

namespace {

constexpr wchar_t kInstallerExtension[] = L"*.exe";
// The chooser lists programs only; the type's name is the user's language's.
constexpr wchar_t kInstallerPattern[] = L"|*.exe||";
constexpr DWORD kInstallerDialogFlags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
constexpr UINT_PTR kProgressWindowTimer = 1;
// The builder's result for a package it could not put at its path.
constexpr std::uint32_t kPackageNotWritten = 1;

bool PathExistsOnDisk(const std::wstring& path) {
    return ::PathFileExistsW(path.c_str()) != FALSE;
}

// Opens the folder browser at the folder passed as the request's value, if any.
int CALLBACK BrowseFolderCallback(HWND browser, UINT message, LPARAM, LPARAM value) {
    if (message == BFFM_INITIALIZED) {
        ::SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, value);
    }
    return 0;
}

} // namespace

CKestrowDlg::Conversion::Conversion(std::span<const std::byte> packageTemplate,
                                    const std::wstring& installerPath,
                                    const std::wstring& packagePath,
                                    const std::wstring& packageFileName)
    : build(packageTemplate, installerPath, packagePath), progressWindow(packageFileName) {}

CKestrowDlg::CKestrowDlg(std::span<const std::byte> packageTemplate)
    : CDialogEx(IDD_KESTROW), packageTemplate_(packageTemplate), icon_(LoadProgramIcon()) {}

const MessageMap* CKestrowDlg::GetMessageMap() const {
    static const MessageMapEntry entries[] = {
        CommandEntry(IDC_BROWSE_INSTALLER, BN_CLICKED, &CKestrowDlg::OnBrowseInstaller),
        CommandEntry(IDC_BROWSE_FOLDER, BN_CLICKED, &CKestrowDlg::OnBrowseFolder),
        CommandEntry(IDC_ACCEPT, BN_CLICKED, &CKestrowDlg::OnAcceptClicked),
        CommandEntry(IDC_CONVERT, BN_CLICKED, &CKestrowDlg::OnConvert),
        CommandEntry(IDC_FOLDER_PATH, EN_SETFOCUS, &CKestrowDlg::OnFolderSetFocus),
        CommandEntry(IDC_FOLDER_PATH, EN_CHANGE, &CKestrowDlg::OnFolderChange),
        NotifyEntry(IDC_TERMS_LINK, NM_CLICK, &CKestrowDlg::OnTermsClick),
        // Enter on the focused link, as the mouse's click.
        NotifyEntry(IDC_TERMS_LINK, NM_RETURN, &CKestrowDlg::OnTermsClick),
        CommandEntry(IDC_INSTALLER_PATH, EN_CHANGE, &CKestrowDlg::OnInstallerChange),
        MessageEntry(BackgroundBuild::kProgressMessage, &CKestrowDlg::OnBuildProgress),
        MessageEntry(BackgroundBuild::kEndMessage, &CKestrowDlg::OnBuildEnd),
        MessageEntry(WM_TIMER, &CKestrowDlg::OnTimer),
    };
    static const MessageMap map{CDialogEx::GetMessageMap(), entries};
    return &map;
}

void CKestrowDlg::DoDataExchange(CDataExchange& exchange) {
    CDialogEx::DoDataExchange(exchange);
    DDX_Control(exchange, IDC_BANNER, banner_);
    DDX_Control(exchange, IDC_ACCEPT, acceptBox_);
    DDX_Control(exchange, IDC_DESCRIPTION, descriptionLabel_);
    DDX_Control(exchange, IDC_INSTALLER_LABEL, installerLabel_);
    DDX_Control(exchange, IDC_FOLDER_LABEL, folderLabel_);
    DDX_Control(exchange, IDC_INSTALLER_PATH, installerField_);
    DDX_Control(exchange, IDC_FOLDER_PATH, folderField_);
    DDX_Control(exchange, IDC_PACKAGE_NAME, nameField_);
    DDX_Control(exchange, IDC_BROWSE_INSTALLER, browseInstallerButton_);
    DDX_Control(exchange, IDC_BROWSE_FOLDER, browseFolderButton_);
    DDX_Control(exchange, IDC_CONVERT, convertButton_);
    DDX_Control(exchange, IDC_PACKAGE_NAME_LABEL, nameLabel_);
}

BOOL CKestrowDlg::PreTranslateMessage(MSG& message) {
    // Escape would end the window; only the close box may.
    if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE) {
        return TRUE;
    }
    // Space on the focused link opens it as Enter does. Not every system's link answers Space
    // itself, so the window takes the key before the link sees it.
    if (message.message == WM_KEYDOWN && message.wParam == VK_SPACE &&
        message.hwnd == ::GetDlgItem(hwnd_, IDC_TERMS_LINK)) {
        ShowLicense();
        return TRUE;
    }
    return CDialogEx::PreTranslateMessage(message);
}

BOOL CKestrowDlg::OnInitDialog() {
    CDialogEx::OnInitDialog();
    SetIcons(icon_.Get());
    SetWindowTexts();
    NameFieldsForScreenReaders();
    ShowBanner(banner_, bannerBitmap_);
    convertButton_.EnableWindow(false);
    return TRUE;
}

void CKestrowDlg::OnOK() {
    // Enter raises OK from any field; the window has no OK button to end it with.
    const HWND okButton = ::GetDlgItem(hwnd_, IDOK);
    if (okButton != nullptr && ::GetFocus() == okButton) {
        CDialogEx::OnOK();
    }
}

void CKestrowDlg::OnCancel() {
    // The close box, Alt+F4 and the system menu end the program, but not while a package is
    // half-made.
    if (!conversion_) {
        CDialogEx::OnCancel();
    }
}

void CKestrowDlg::SetWindowTexts() {
    SetWindowText(LoadUiString(IDS_MAIN_CAPTION));
    descriptionLabel_.SetWindowText(LoadUiString(IDS_DESCRIPTION));
    installerLabel_.SetWindowText(LoadUiString(IDS_INSTALLER_LABEL));
    folderLabel_.SetWindowText(LoadUiString(IDS_FOLDER_LABEL));
    browseInstallerButton_.SetWindowText(LoadUiString(IDS_BROWSE_INSTALLER));
    browseFolderButton_.SetWindowText(LoadUiString(IDS_BROWSE_FOLDER));
    convertButton_.SetWindowText(LoadUiString(IDS_CONVERT));
    acceptBox_.SetWindowText(LoadUiString(IDS_ACCEPT));
    nameLabel_.SetWindowText(LoadUiString(IDS_PACKAGE_NAME_LABEL));
}

void CKestrowDlg::NameFieldsForScreenReaders() {
    // The two path fields come before their labels in tab order, so a screen reader would not
    // find their names by itself.
    accessibleNames_.Name(installerField_.GetSafeHwnd(), LoadUiString(IDS_INSTALLER_LABEL));
    accessibleNames_.Name(folderField_.GetSafeHwnd(), LoadUiString(IDS_FOLDER_LABEL));
}

void CKestrowDlg::OnInstallerChange() {
    const bool enable = FolderControlsEnabled(installerField_.GetWindowText());
    folderField_.EnableWindow(enable);
    browseFolderButton_.EnableWindow(enable);
}

void CKestrowDlg::OnFolderChange() {
    if (acceptBox_.IsChecked()) {
        convertButton_.EnableWindow(ConvertEnabled(true, folderField_.GetWindowText()));
    }
}

void CKestrowDlg::OnAcceptClicked() {
    convertButton_.EnableWindow(
        ConvertEnabled(acceptBox_.IsChecked(), folderField_.GetWindowText()));
}

void CKestrowDlg::OnBrowseInstaller() {
    const std::wstring filter = LoadUiString(IDS_PROGRAMS_FILTER) + kInstallerPattern;
    CFileDialog dialog(true, kInstallerExtension, nullptr, kInstallerDialogFlags, filter.c_str());
    if (dialog.DoModal() != IDOK) {
        return;
    }
    installerField_.SetWindowText(dialog.GetPathName());
    EnableConvertAfterChoice(folderField_);
    folderField_.EnableWindow(true);
    browseFolderButton_.EnableWindow(true);
    SuggestPackageName();
}

void CKestrowDlg::OnBrowseFolder() {
    const std::optional<std::wstring> folder =
        BrowseForFolder(hwnd_, LoadUiString(IDS_FOLDER_BROWSER_TITLE), &BrowseFolderCallback, 0);
    if (!folder || folder->empty()) {
        return;
    }
    folderField_.SetWindowText(*folder);
    EnableConvertAfterChoice(installerField_);
}

void CKestrowDlg::EnableConvertAfterChoice(const CEdit& otherField) {
    if (ChoiceEnablesConvert(acceptBox_.IsChecked(), otherField.GetWindowText())) {
        convertButton_.EnableWindow(true);
    }
}

void CKestrowDlg::SuggestPackageName() {
    if (!TrimWhiteSpace(nameField_.GetWindowText()).empty()) {
        return;
    }
    const std::optional<std::wstring> installerName =
        FindStoredFileName(installerField_.GetWindowText());
    if (installerName) {
        nameField_.SetWindowText(DefaultPackageName(*installerName));
    }
}

void CKestrowDlg::OnFolderSetFocus() {
    if (reportingFolderEntry_) {
        return;
    }
    const std::optional<InputFault> fault =
        FolderEntryFault(installerField_.GetWindowText(), &PathExistsOnDisk);
    if (fault) {
        reportingFolderEntry_ = true;
        ReportFault(*fault);
        reportingFolderEntry_ = false;
    }
}

void CKestrowDlg::OnConvert() {
    const ConvertInputs inputs{installerField_.GetWindowText(), folderField_.GetWindowText(),
                               nameField_.GetWindowText()};
    if (const std::optional<InputFault> fault = FirstConvertFault(inputs, &PathExistsOnDisk)) {
        ReportFault(*fault);
        return;
    }
    const std::wstring packageFileName = PackageFileName(inputs.packageNameText);
    const std::wstring packagePath = PackagePath(inputs.folderText, packageFileName);
    if (PathExistsOnDisk(packagePath) && !ConfirmOverwrite(packageFileName)) {
        return;
    }
    StartConversion(inputs.installerText, packagePath, packageFileName);
}

void CKestrowDlg::StartConversion(const std::wstring& installerPath,
                                  const std::wstring& packagePath,
                                  const std::wstring& packageFileName) {
    conversion_ =
        std::make_unique<Conversion>(packageTemplate_, installerPath, packagePath, packageFileName);
    EnableWindow(false);
    if (!conversion_->build.Start(hwnd_)) {
        OnBuildEnd(kPackageNotWritten, 0);
        return;
    }
    conversion_->progressTimer.Start(hwnd_, kProgressWindowTimer, kProgressWindowDelay);
}

LRESULT CKestrowDlg::OnTimer(WPARAM timerId, LPARAM) {
    if (timerId != kProgressWindowTimer || !conversion_) {
        return 0;
    }
    const std::chrono::milliseconds wait =
        ProgressWindowWait(std::chrono::steady_clock::now() - conversion_->start);
    if (wait.count() > 0) {
        conversion_->progressTimer.Start(hwnd_, kProgressWindowTimer, wait);
        return 0;
    }
    conversion_->progressTimer.Stop();
    conversion_->progressWindow.Open(hwnd_, conversion_->permille);
    return 0;
}

LRESULT CKestrowDlg::OnBuildProgress(WPARAM permille, LPARAM) {
    if (conversion_) {
        conversion_->permille = static_cast<unsigned>(permille);
        conversion_->progressWindow.ShowPermille(conversion_->permille);
    }
    return 0;
}

LRESULT CKestrowDlg::OnBuildEnd(WPARAM result, LPARAM) {
    if (!conversion_) {
        return 0;
    }
    const std::wstring packagePath = conversion_->build.PackagePath();
    const HWND focus = conversion_->focus;
    // Enabled before the progress window goes, so that the activation comes back here.
    EnableWindow(true);
    conversion_.reset();
    if (focus != nullptr && ::IsChild(hwnd_, focus)) {
        ::SetFocus(focus);
    }
    ReportOutcome(static_cast<std::uint32_t>(result), packagePath);
    return 0;
}

void CKestrowDlg::ReportFault(const InputFault& fault) {
    ::MessageBoxW(hwnd_, LoadUiString(fault.messageId).c_str(),
                  LoadUiString(IDS_MAIN_CAPTION).c_str(), MB_OK | fault.iconStyle);
    Field(fault.focus).SetFocus();
}

bool CKestrowDlg::ConfirmOverwrite(const std::wstring& packageFileName) {
    const std::wstring question =
        FillPlaceholders(LoadUiString(IDS_FILE_EXISTS_PROMPT), {packageFileName});
    return ::MessageBoxW(hwnd_, question.c_str(), LoadUiString(IDS_FILE_EXISTS_CAPTION).c_str(),
                         MB_YESNO | MB_ICONEXCLAMATION) == IDYES;
}

void CKestrowDlg::ReportOutcome(std::uint32_t result, const std::wstring& packagePath) {
    if (result == 0) {
        CPackageStatus status(LoadUiString(IDS_STATUS_SUCCESS_CAPTION),
                              LoadUiString(IDS_STATUS_SUCCESS_MESSAGE), packagePath);
        status.DoModal();
    } else {
        CPackageStatus status(LoadUiString(IDS_STATUS_FAILURE_CAPTION),
                              LoadUiString(IDS_STATUS_FAILURE_MESSAGE), std::wstring());
        status.DoModal();
    }
}

void CKestrowDlg::OnTermsClick(NMHDR&, LRESULT& result) {
    result = 0;
    ShowLicense();
}

void CKestrowDlg::ShowLicense() {
    InitRichEdit20();
    CLicenseDlg license;
    license.DoModal();
}

CEdit& CKestrowDlg::Field(InputField field) {
    switch (field) {
    case InputField::Installer:
        return installerField_;
    case InputField::Folder:
        return folderField_;
    case InputField::PackageName:
        break;
    }
    return nameField_;
}

} // namespace kestrow
