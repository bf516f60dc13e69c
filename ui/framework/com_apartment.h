#pragma once

#include <objbase.h>

namespace kestrow {

// The shell's dialogs are COM objects, so the thread needs an apartment while one runs.
class ComApartment {
public:
    ComApartment()
        : initialised_(SUCCEEDED(
              ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
    ~ComApartment() {
        if (initialised_) {
            ::CoUninitialize();
        }
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool initialised_;
};

} // namespace kestrow
