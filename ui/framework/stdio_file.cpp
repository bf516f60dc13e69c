#include "stdio_file.h"

#include <algorithm>

namespace kestrow {

DWORD CStdioFile::Open(const std::wstring& path, UINT openFlags) {
    const DWORD access = (openFlags & modeWrite) ? GENERIC_WRITE : GENERIC_READ;
    const DWORD disposition = (openFlags & modeCreate) ? CREATE_ALWAYS : OPEN_EXISTING;
    file_.Reset(::CreateFileW(path.c_str(), access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                              nullptr));
    return file_.IsValid() ? ERROR_SUCCESS : ::GetLastError();
}

DWORD CStdioFile::Write(std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1U << 30));
        DWORD written = 0;
        if (!::WriteFile(file_.Get(), bytes.data(), chunk, &written, nullptr)) {
            return ::GetLastError();
        }
        if (written == 0) {
            return ERROR_WRITE_FAULT; // a device that takes nothing would be asked for ever
        }
        bytes = bytes.subspan(written);
    }
    return ERROR_SUCCESS;
}

} // namespace kestrow
