#include "license_document.h"

#include "license_document_rules.h"
#include "resource_ids.h"
#include "resource_lookup.h"

namespace kestrow {

std::int32_t licenseDocumentSize = 0;
std::int32_t licenseStreamPosition = 0;

const std::uint8_t* LoadLicenseDocument(LANGID language) {
    const HMODULE module = ::GetModuleHandleW(nullptr);
    const HRSRC resource =
        FindLocalisedResource(module, L"RTF", MAKEINTRESOURCEW(IDR_LICENSE_DOCUMENT), language);
    if (resource == nullptr) {
        return nullptr;
    }
    licenseDocumentSize = static_cast<std::int32_t>(::SizeofResource(module, resource));
    return ResourceBytes(module, resource).data();
}

DWORD CALLBACK StreamLicenseDocument(DWORD_PTR cookie, LPBYTE buffer, LONG capacity,
                                     LONG* transferred) {
    *transferred = TakeLicensePiece(reinterpret_cast<const std::uint8_t*>(cookie),
                                    licenseDocumentSize, licenseStreamPosition, buffer, capacity);
    return 0;
}

} // namespace kestrow
