#pragma once

// Names that a screen reader reads for controls whose label does not come before them in tab
// order, given through the system's dynamic annotation service.

#include <windows.h>

#include <wrl/client.h>

#include <string>
#include <vector>

#include "com_apartment.h"

struct IAccPropServices;

namespace kestrow {

class AccessibleNames {
public:
    // Without the service (a system without it, or no COM), controls keep the names the
    // system derives for them.
    AccessibleNames();
    // Takes back every name given. The service keys a name by the control's handle alone, so
    // this holds after the controls are gone too.
    ~AccessibleNames();
    AccessibleNames(const AccessibleNames&) = delete;
    AccessibleNames& operator=(const AccessibleNames&) = delete;

    // Gives the control that name, where the system takes it.
    void Name(HWND control, const std::wstring& name);

private:
    ComApartment apartment_;
    Microsoft::WRL::ComPtr<IAccPropServices> services_;
    std::vector<HWND> named_;
};

} // namespace kestrow
