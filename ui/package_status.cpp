#include "package_status.h"

#include <utility>

#include "banner.h"
#include "load_ui_string.h"
#include "program_icon.h"
#include "resource_ids.h"

namespace kestrow {

CPackageStatus::CPackageStatus(std::wstring caption, std::wstring message, std::wstring location)
    : CDialogEx(IDD_PACKAGE_STATUS), caption_(std::move(caption)), message_(std::move(message)),
      location_(std::move(location)), icon_(LoadProgramIcon()) {}

void CPackageStatus::DoDataExchange(CDataExchange& exchange) {
    CDialogEx::DoDataExchange(exchange);
    DDX_Control(exchange, IDC_STATUS_MESSAGE, messageText_);
    DDX_Control(exchange, IDC_STATUS_LOCATION, locationText_);
    DDX_Control(exchange, IDOK, closeButton_);
    DDX_Control(exchange, IDC_BANNER, banner_);
}

BOOL CPackageStatus::OnInitDialog() {
    CDialogEx::OnInitDialog();
    SetIcons(icon_.Get());
    ShowBanner(banner_, bannerBitmap_);
    SetWindowText(caption_);
    messageText_.SetWindowText(message_);
    if (!location_.empty()) {
        locationText_.ShowWindow(SW_SHOW);
        locationText_.SetWindowText(location_);
        closeButton_.SetWindowText(LoadUiString(IDS_OK));
    } else {
        locationText_.ShowWindow(SW_HIDE);
        closeButton_.SetWindowText(LoadUiString(IDS_CLOSE));
    }
    return TRUE;
}

} // namespace kestrow
