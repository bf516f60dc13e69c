#pragma once

#include <windows.h>

#include <string>

#include "framework/dialog_ex.h"
#include "main_window_rules.h"
#include "win32_handle.h"

namespace kestrow {

// The main window: the user names an installer, a package and a folder, accepts the terms and
// converts. Its only state is in its controls; every decision is taken by the main window
// rules from their current texts and the Accept box.
class CKestrowDlg : public CDialogEx {
public:
    CKestrowDlg();

protected:
    const MessageMap* GetMessageMap() const override;
    void DoDataExchange(CDataExchange& exchange) override;
    BOOL PreTranslateMessage(MSG& message) override;
    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    void SetWindowTexts();
    void ShowBanner();

    void OnInstallerChange();
    void OnFolderChange();
    void OnAcceptClicked();
    void OnBrowseInstaller();
    void OnBrowseFolder();
    void OnFolderSetFocus();
    void OnConvert();
    void OnTermsClick(NMHDR& header, LRESULT& result);

    void EnableConvertAfterChoice(const CEdit& otherField);
    void SuggestPackageName();
    void ReportFault(const InputFault& fault);
    bool ConfirmOverwrite(const std::wstring& packageFileName);
    void ReportOutcome(std::uint32_t result, const std::wstring& packagePath);
    CEdit& Field(InputField field);

    Icon icon_;
    CStatic banner_;
    CStatic descriptionLabel_;
    CStatic installerLabel_;
    CStatic folderLabel_;
    CStatic nameLabel_;
    CBitmap bannerBitmap_;
    CEdit installerField_;
    CEdit folderField_;
    CEdit nameField_;
    CButton browseInstallerButton_;
    CButton browseFolderButton_;
    CButton convertButton_;
    CButton acceptBox_;
    // Set while the folder field's own check reports, so that the focus coming back to the
    // field when its message box closes does not raise the check again.
    bool reportingFolderEntry_ = false;
};

} // namespace kestrow
