#include "build_progress.h"

#include <utility>

#include "build_progress_rules.h"
#include "load_ui_string.h"
#include "resource_ids.h"

namespace kestrow {

CBuildProgress::CBuildProgress(std::wstring packageName)
    : CDialogEx(IDD_BUILD_PROGRESS), packageName_(std::move(packageName)) {}

CBuildProgress::~CBuildProgress() {
    // While this object is whole: the window's last messages still reach it.
    window_.Reset();
    hwnd_ = nullptr;
}

bool CBuildProgress::Open(HWND owner, unsigned permille) {
    window_ = Window(CreateModeless(owner));
    if (!window_.IsValid()) {
        return false;
    }
    ShowPermille(permille);
    ShowWindow(SW_SHOW);
    return true;
}

void CBuildProgress::ShowPermille(unsigned permille) {
    if (!window_.IsValid()) {
        return;
    }
    progressBar_.SetPos(static_cast<int>(permille));
    // Only a new whole percent is written, so that a screen reader is not flooded.
    if (permille / 10 != shownPercent_) {
        shownPercent_ = permille / 10;
        statusText_.SetWindowText(ProgressStatusText(statusPattern_, permille));
    }
}

void CBuildProgress::DoDataExchange(CDataExchange& exchange) {
    CDialogEx::DoDataExchange(exchange);
    DDX_Control(exchange, IDC_BUILD_PACKAGE_NAME, packageNameText_);
    DDX_Control(exchange, IDC_BUILD_PROGRESS_BAR, progressBar_);
    DDX_Control(exchange, IDC_BUILD_PROGRESS_STATUS, statusText_);
}

BOOL CBuildProgress::OnInitDialog() {
    CDialogEx::OnInitDialog();
    SetWindowText(LoadUiString(IDS_BUILD_PROGRESS_CAPTION));
    statusPattern_ = LoadUiString(IDS_BUILD_PROGRESS_STATUS);
    packageNameText_.SetWindowText(packageName_);
    progressBar_.SetRange32(0, static_cast<int>(kFullPermille));
    CenterOverOwner();
    return TRUE;
}

// Enter, Escape, Alt+F4: a package is never left half-made by closing its window.
void CBuildProgress::OnOK() {}
void CBuildProgress::OnCancel() {}

void CBuildProgress::CenterOverOwner() {
    RECT owner{};
    RECT own{};
    ::GetWindowRect(::GetWindow(hwnd_, GW_OWNER), &owner);
    ::GetWindowRect(hwnd_, &own);
    const LONG left = owner.left + ((owner.right - owner.left) - (own.right - own.left)) / 2;
    const LONG top = owner.top + ((owner.bottom - owner.top) - (own.bottom - own.top)) / 2;
    ::SetWindowPos(hwnd_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace kestrow
