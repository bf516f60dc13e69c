#pragma once

// The system's print dialog, as the classic framework's print dialog class runs it: the
// caller gives the PD_ flags, the dialog keeps the user's choice of printer and settings, and
// a device context for that printer is made on request.

#include <windows.h>

#include <commdlg.h>

#include <string>

#include "win32_handle.h"

namespace kestrow {

class CPrintDialog {
public:
    // With printSetupOnly the dialog is the print-setup variant.
    CPrintDialog(bool printSetupOnly, DWORD flags);

    // Shows the dialog over the window active at that moment. IDOK once the user has
    // confirmed it, IDCANCEL when the user cancels or the dialog cannot be shown (no printer).
    INT_PTR DoModal();

    // A device context for the chosen printer with the chosen settings; none before a
    // confirmed DoModal or when the printer cannot be opened.
    CreatedDeviceContext CreatePrinterDC() const;

    // The chosen printer's name; empty before a confirmed DoModal.
    std::wstring GetDeviceName() const;

private:
    DWORD flags_;
    GlobalMemory deviceMode_;
    GlobalMemory deviceNames_;
};

} // namespace kestrow
