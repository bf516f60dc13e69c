#pragma once

#include <windows.h>

#include <string>

#include "framework/dialog_ex.h"
#include "win32_handle.h"

namespace kestrow {

// The window that ends a conversion: success with the package's location, or failure. An
// empty location gives the failure layout, whatever the caption and message say.
class CPackageStatus : public CDialogEx {
public:
    CPackageStatus(std::wstring caption, std::wstring message, std::wstring location);

protected:
    void DoDataExchange(CDataExchange& exchange) override;
    BOOL OnInitDialog() override;

private:
    std::wstring caption_;
    std::wstring message_;
    std::wstring location_;
    Icon icon_;
    CStatic messageText_;
    CStatic locationText_;
    CButton closeButton_;
    CStatic banner_;
    CBitmap bannerBitmap_; // shown by banner_ until the window goes
};

} // namespace kestrow
