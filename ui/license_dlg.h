#pragma once

#include <windows.h>

#include <string>

#include "framework/dialog_ex.h"
#include "win32_handle.h"

namespace kestrow {

// The licence agreement, shown read-only as formatted text, with Print and Save. The window
// records nothing: accepting the terms is the main window's business.
class CLicenseDlg : public CDialogEx {
public:
    CLicenseDlg();

protected:
    const MessageMap* GetMessageMap() const override;
    void DoDataExchange(CDataExchange& exchange) override;
    BOOL OnInitDialog() override;

private:
    void OnPrint();
    void OnSave();
    void ShowFailure(const std::wstring& message);

    CWnd textArea_;
    Icon icon_;
    CButton okButton_;
    CButton printButton_;
    CButton saveButton_;
};

// Writes the licence document, up to its first NUL byte, to a new or emptied file at path.
// Leaves no file behind when the writing fails. ERROR_SUCCESS or the system's error code.
DWORD SaveLicenseDocument(const std::wstring& path);

} // namespace kestrow
