#include <windows.h>

#include <iterator>

#include "native_text.h"
#include "system_reason.h"

namespace kestrow::native {

std::string SystemReason(std::uint32_t error) {
    // Long enough for every system message; a longer one falls back to the number.
    wchar_t text[512];
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, error, 0, text, std::size(text), nullptr);
    // The messages end in a full stop and a line break, which would end the program's line.
    while (length > 0 &&
           (text[length - 1] == L'\r' || text[length - 1] == L'\n' || text[length - 1] == L' ')) {
        --length;
    }
    if (length > 0 && text[length - 1] == L'.') {
        --length;
    }
    if (length == 0) {
        return "system error " + std::to_string(error);
    }
    return Utf8FromWide(std::wstring_view(text, length));
}

bool IsQuotaExceeded(std::uint32_t error) {
    // What NTFS reports when a user's disk quota runs out.
    return error == ERROR_NOT_ENOUGH_QUOTA;
}

} // namespace kestrow::native
