#include <windows.h>

#include <algorithm>

#include "command_line_system.h"
#include "native_text.h"
#include "system_reason.h"

namespace kestrow::native {

namespace {

// A console shows UTF-16 whatever its code page; a file or pipe gets the UTF-8 bytes.
bool IsConsole(HANDLE stream) {
    DWORD mode = 0;
    return GetConsoleMode(stream, &mode) != 0;
}

// Writes in parts, as either call may take less than it was given. The standard handles
// belong to the process, not to this call.
bool WriteWhole(HANDLE stream, std::string_view text) {
    if (stream == nullptr || stream == INVALID_HANDLE_VALUE) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    constexpr std::size_t kLargestPart = 16 * 1024;
    if (IsConsole(stream)) {
        const std::wstring wide = WideFromUtf8(text);
        for (std::size_t done = 0; done < wide.size();) {
            DWORD written = 0;
            const auto part = static_cast<DWORD>(std::min(wide.size() - done, kLargestPart));
            if (!WriteConsoleW(stream, wide.data() + done, part, &written, nullptr) ||
                written == 0) {
                return false;
            }
            done += written;
        }
        return true;
    }
    for (std::size_t done = 0; done < text.size();) {
        DWORD written = 0;
        const auto part = static_cast<DWORD>(std::min(text.size() - done, kLargestPart));
        if (!WriteFile(stream, text.data() + done, part, &written, nullptr) || written == 0) {
            return false;
        }
        done += written;
    }
    return true;
}

} // namespace

void SetTextLocale() {
    // Kestrow.exe keeps the C library's own locale; so does this program, so that both trim
    // a package name alike.
}

// Checked before anything is written, so that the usual mistakes get the system's own words.
// Whether the user may write there only an attempt tells: Windows grants it through access
// lists, and the builder reports a refusal.
std::optional<std::string> OutputFolderFault(const std::filesystem::path& folder) {
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        // In the words the program uses for a missing installer.
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                   ? std::string("no such folder")
                   : SystemReason(error);
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return "not a folder";
    }
    return std::nullopt;
}

bool ErrorIsTerminal() {
    return IsConsole(GetStdHandle(STD_ERROR_HANDLE));
}

void WriteError(std::string_view text) {
    WriteWhole(GetStdHandle(STD_ERROR_HANDLE), text);
}

std::optional<std::string> WriteOutput(std::string_view text) {
    if (!WriteWhole(GetStdHandle(STD_OUTPUT_HANDLE), text)) {
        return SystemReason(GetLastError());
    }
    return std::nullopt;
}

} // namespace kestrow::native
