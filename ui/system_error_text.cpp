#include "system_error_text.h"

#include "win32_handle.h"

namespace kestrow {

std::wstring SystemErrorText(DWORD error) {
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    const LocalMemory owned(buffer);
    if (length == 0) {
        return L"Error " + std::to_wstring(error) + L".";
    }
    std::wstring text(buffer, length);
    text.erase(text.find_last_not_of(L"\r\n ") + 1);
    return text;
}

} // namespace kestrow
