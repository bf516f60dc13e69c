#pragma once

#include <windows.h>

#include <chrono>
#include <memory>
#include <span>
#include <string>

#include "background_build.h"
#include "build_progress.h"
#include "framework/accessible_names.h"
#include "framework/dialog_ex.h"
#include "framework/window_timer.h"
#include "main_window_rules.h"
#include "win32_handle.h"

namespace kestrow {

// The main window: the user names an installer, a package and a folder, accepts the terms and
// converts. Its only state is in its controls; every decision is taken by the main window
// rules from their current texts and the Accept box.
class CKestrowDlg : public CDialogEx {
public:
    // The template every package is made from; it must outlive the window.
    explicit CKestrowDlg(std::span<const std::byte> packageTemplate);

protected:
    const MessageMap* GetMessageMap() const override;
    void DoDataExchange(CDataExchange& exchange) override;
    BOOL PreTranslateMessage(MSG& message) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

private:
    // One conversion while it runs beside the window.
    struct Conversion {
        Conversion(std::span<const std::byte> packageTemplate, const std::wstring& installerPath,
                   const std::wstring& packagePath, const std::wstring& packageFileName);

        BackgroundBuild build;
        CBuildProgress progressWindow;
        WindowTimer progressTimer;
        std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
        unsigned permille = 0;
        // Where the focus was, to put it back: a disabled window loses it.
        HWND focus = ::GetFocus();
    };

    void SetWindowTexts();
    void NameFieldsForScreenReaders();

    void OnInstallerChange();
    void OnFolderChange();
    void OnAcceptClicked();
    void OnBrowseInstaller();
    void OnBrowseFolder();
    void OnFolderSetFocus();
    void OnConvert();
    void OnTermsClick(NMHDR& header, LRESULT& result);
    void ShowLicense();
    LRESULT OnBuildProgress(WPARAM permille, LPARAM);
    LRESULT OnBuildEnd(WPARAM result, LPARAM);
    LRESULT OnTimer(WPARAM timerId, LPARAM);

    void StartConversion(const std::wstring& installerPath, const std::wstring& packagePath,
                         const std::wstring& packageFileName);

    void EnableConvertAfterChoice(const CEdit& otherField);
    void SuggestPackageName();
    void ReportFault(const InputFault& fault);
    bool ConfirmOverwrite(const std::wstring& packageFileName);
    void ReportOutcome(std::uint32_t result, const std::wstring& packagePath);
    CEdit& Field(InputField field);

    std::span<const std::byte> packageTemplate_;
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
    AccessibleNames accessibleNames_;
    // Set while the folder field's own check reports, so that the focus coming back to the
    // field when its message box closes does not raise the check again.
    bool reportingFolderEntry_ = false;
    // Set while a conversion runs; the window is disabled meanwhile.
    std::unique_ptr<Conversion> conversion_;
};

} // namespace kestrow
