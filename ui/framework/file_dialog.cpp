#include "file_dialog.h"

#include <commdlg.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <vector>

#include "com_apartment.h"
#include "file_dialog_filter.h"
#include "win32_handle.h"

namespace kestrow {

namespace {

using Microsoft::WRL::ComPtr;

struct CoTaskTextTraits {
    using Handle = PWSTR;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle text) { ::CoTaskMemFree(text); }
};
using CoTaskText = UniqueHandle<CoTaskTextTraits>;

// The item dialog's options for the classic flags that have a counterpart; paths are always
// file-system paths, since the caller opens them as files.
FILEOPENDIALOGOPTIONS OptionsFor(DWORD flags) {
    FILEOPENDIALOGOPTIONS options = FOS_FORCEFILESYSTEM;
    if (flags & OFN_OVERWRITEPROMPT) {
        options |= FOS_OVERWRITEPROMPT;
    }
    if (flags & OFN_FILEMUSTEXIST) {
        options |= FOS_FILEMUSTEXIST;
    }
    if (flags & OFN_PATHMUSTEXIST) {
        options |= FOS_PATHMUSTEXIST;
    }
    if (flags & OFN_NOCHANGEDIR) {
        options |= FOS_NOCHANGEDIR;
    }
    return options;
}

// The item dialog takes the extension without its leading "*." or ".".
std::wstring BareExtension(const wchar_t* extension) {
    std::wstring bare = extension != nullptr ? extension : L"";
    bare.erase(0, bare.find_first_not_of(L"*."));
    return bare;
}

HRESULT ApplyFilter(IFileDialog& dialog, const std::wstring& filter) {
    const std::vector<FileTypeFilter> entries = ParseFileTypeFilter(filter);
    if (entries.empty()) {
        return S_OK;
    }
    std::vector<COMDLG_FILTERSPEC> specs;
    for (const FileTypeFilter& entry : entries) {
        specs.push_back({entry.name.c_str(), entry.pattern.c_str()});
    }
    return dialog.SetFileTypes(static_cast<UINT>(specs.size()), specs.data());
}

} // namespace

CFileDialog::CFileDialog(bool openFileDialog, const wchar_t* defaultExtension,
                         const wchar_t* fileName, DWORD flags, const wchar_t* filter)
    : openFileDialog_(openFileDialog), defaultExtension_(BareExtension(defaultExtension)),
      fileName_(fileName != nullptr ? fileName : L""), flags_(flags),
      filter_(filter != nullptr ? filter : L"") {}

INT_PTR CFileDialog::DoModal() {
    const ComApartment apartment;
    return SUCCEEDED(Run(::GetActiveWindow())) ? IDOK : IDCANCEL;
}

HRESULT CFileDialog::Run(HWND owner) {
    ComPtr<IFileDialog> dialog;
    HRESULT result =
        ::CoCreateInstance(openFileDialog_ ? CLSID_FileOpenDialog : CLSID_FileSaveDialog, nullptr,
                           CLSCTX_INPROC_SERVER, IID_PPV_ARGS(dialog.GetAddressOf()));
    if (SUCCEEDED(result)) {
        result = Prepare(*dialog.Get());
    }
    if (SUCCEEDED(result)) {
        result = dialog->Show(owner); // HRESULT_FROM_WIN32(ERROR_CANCELLED) when cancelled
    }
    if (SUCCEEDED(result)) {
        result = ReadChosenPath(*dialog.Get());
    }
    return result;
}

HRESULT CFileDialog::Prepare(IFileDialog& dialog) const {
    HRESULT result = dialog.SetOptions(OptionsFor(flags_));
    if (SUCCEEDED(result)) {
        result = ApplyFilter(dialog, filter_);
    }
    if (SUCCEEDED(result) && !fileName_.empty()) {
        result = dialog.SetFileName(fileName_.c_str());
    }
    if (SUCCEEDED(result) && !defaultExtension_.empty()) {
        result = dialog.SetDefaultExtension(defaultExtension_.c_str());
    }
    return result;
}

HRESULT CFileDialog::ReadChosenPath(IFileDialog& dialog) {
    ComPtr<IShellItem> chosen;
    HRESULT result = dialog.GetResult(chosen.GetAddressOf());
    PWSTR path = nullptr;
    if (SUCCEEDED(result)) {
        result = chosen->GetDisplayName(SIGDN_FILESYSPATH, &path);
    }
    const CoTaskText ownedPath(path);
    if (SUCCEEDED(result)) {
        pathName_ = ownedPath.Get();
    }
    return result;
}

} // namespace kestrow
