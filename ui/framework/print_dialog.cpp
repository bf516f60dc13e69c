#include "print_dialog.h"

#include <string>

namespace kestrow {

namespace {

// The locked contents of a movable memory block, unlocked again when it goes.
template <typename Contents> class LockedGlobal {
public:
    explicit LockedGlobal(HGLOBAL memory)
        : memory_(memory),
          contents_(static_cast<const Contents*>(memory ? ::GlobalLock(memory) : nullptr)) {}
    ~LockedGlobal() {
        if (contents_ != nullptr) {
            ::GlobalUnlock(memory_);
        }
    }
    LockedGlobal(const LockedGlobal&) = delete;
    LockedGlobal& operator=(const LockedGlobal&) = delete;

    const Contents* Get() const { return contents_; }

private:
    HGLOBAL memory_;
    const Contents* contents_;
};

// A DEVNAMES block holds its strings after the header, at offsets counted in characters.
const wchar_t* DevNamesText(const DEVNAMES& names, WORD offset) {
    return reinterpret_cast<const wchar_t*>(&names) + offset;
}

} // namespace

CPrintDialog::CPrintDialog(bool printSetupOnly, DWORD flags)
    : flags_(printSetupOnly ? flags | PD_PRINTSETUP : flags) {}

INT_PTR CPrintDialog::DoModal() {
    PRINTDLGW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = ::GetActiveWindow();
    dialog.hDevMode = deviceMode_.Release();
    dialog.hDevNames = deviceNames_.Release();
    dialog.Flags = flags_;
    const BOOL confirmed = ::PrintDlgW(&dialog);
    deviceMode_.Reset(dialog.hDevMode);
    deviceNames_.Reset(dialog.hDevNames);
    // Contexts are made on request by CreatePrinterDC; one that a caller's flags had the
    // dialog return as well is released here rather than leaked.
    const CreatedDeviceContext returned(dialog.hDC);
    return confirmed ? IDOK : IDCANCEL;
}

CreatedDeviceContext CPrintDialog::CreatePrinterDC() const {
    const LockedGlobal<DEVNAMES> names(deviceNames_.Get());
    if (names.Get() == nullptr) {
        return CreatedDeviceContext();
    }
    const LockedGlobal<DEVMODEW> mode(deviceMode_.Get());
    return CreatedDeviceContext(::CreateDCW(DevNamesText(*names.Get(), names.Get()->wDriverOffset),
                                            DevNamesText(*names.Get(), names.Get()->wDeviceOffset),
                                            nullptr, mode.Get()));
}

std::wstring CPrintDialog::GetDeviceName() const {
    const LockedGlobal<DEVNAMES> names(deviceNames_.Get());
    return names.Get() != nullptr ? DevNamesText(*names.Get(), names.Get()->wDeviceOffset) : L"";
}

} // namespace kestrow
