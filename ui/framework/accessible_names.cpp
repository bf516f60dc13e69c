#include "accessible_names.h"

#include <initguid.h>

#include <oleacc.h>

namespace kestrow {

namespace {

// The annotation service's class; the import library does not define it.
constexpr CLSID kAccPropServices{
    0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};

} // namespace

AccessibleNames::AccessibleNames() {
    ::CoCreateInstance(kAccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                       reinterpret_cast<void**>(services_.GetAddressOf()));
}

AccessibleNames::~AccessibleNames() {
    for (const HWND control : named_) {
        services_->ClearHwndProps(control, OBJID_CLIENT, CHILDID_SELF, &PROPID_ACC_NAME, 1);
    }
}

void AccessibleNames::Name(HWND control, const std::wstring& name) {
    if (services_ && SUCCEEDED(services_->SetHwndPropStr(control, OBJID_CLIENT, CHILDID_SELF,
                                                         PROPID_ACC_NAME, name.c_str()))) {
        named_.push_back(control);
    }
}

} // namespace kestrow
