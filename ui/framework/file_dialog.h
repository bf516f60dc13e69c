#pragma once

// The system's file dialogs in their Vista style (the common item dialog), set up the way
// the classic framework's dialog class takes them: open or save, a default extension, an
// initial file name, OFN_ flags and a one-string filter.

#include <windows.h>

#include <string>

struct IFileDialog;

namespace kestrow {

class CFileDialog {
public:
    // A null default extension appends none; a null file name leaves the name box empty.
    CFileDialog(bool openFileDialog, const wchar_t* defaultExtension, const wchar_t* fileName,
                DWORD flags, const wchar_t* filter);

    // Shows the dialog over the window active at that moment. IDOK once the user has chosen a
    // file, IDCANCEL when the user cancels or the dialog cannot be shown.
    INT_PTR DoModal();

    // The chosen file's full path, after DoModal returned IDOK.
    const std::wstring& GetPathName() const { return pathName_; }

private:
    HRESULT Run(HWND owner);
    HRESULT Prepare(IFileDialog& dialog) const;
    HRESULT ReadChosenPath(IFileDialog& dialog);

    bool openFileDialog_;
    std::wstring defaultExtension_;
    std::wstring fileName_;
    DWORD flags_;
    std::wstring filter_;
    std::wstring pathName_;
};

} // namespace kestrow
