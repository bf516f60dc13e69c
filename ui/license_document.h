#pragma once

// The licence agreement that the program carries, and the stream that hands it to a rich
// edit control.

#include <windows.h>

#include <cstdint>

namespace kestrow {

// The document's size in bytes, its final NUL included, as the last successful lookup found
// it; 0 until then.
extern std::int32_t licenseDocumentSize;
// How many bytes of the document the current stream-in has handed over so far.
extern std::int32_t licenseStreamPosition;

// The start of the licence document of the program's module, in the given language (the
// interface language when 0) or else wherever the platform's language search finds it; sets
// licenseDocumentSize. Null, with the size left as it was, when there is no document.
const std::uint8_t* LoadLicenseDocument(LANGID language);

// The EM_STREAMIN callback: its cookie is the document's start, as LoadLicenseDocument gave
// it; licenseDocumentSize and licenseStreamPosition say what is left to hand over.
DWORD CALLBACK StreamLicenseDocument(DWORD_PTR cookie, LPBYTE buffer, LONG capacity,
                                     LONG* transferred);

} // namespace kestrow
