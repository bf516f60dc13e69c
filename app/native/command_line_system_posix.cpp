#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdio>

#include "command_line_system.h"
#include "system_reason.h"

namespace kestrow::native {

void SetTextLocale() {
    // Names are UTF-8; white space in a package name is what the window trims.
    if (std::setlocale(LC_CTYPE, "C.UTF-8") == nullptr) {
        std::setlocale(LC_CTYPE, "");
    }
}

// Checked before anything is written, so that the usual mistakes get the system's own words.
std::optional<std::string> OutputFolderFault(const std::filesystem::path& folder) {
    struct stat status {};
    if (::stat(folder.c_str(), &status) != 0) {
        // In the words the program uses for a missing installer.
        return errno == ENOENT ? "no such folder" : SystemReason(errno);
    }
    if (!S_ISDIR(status.st_mode)) {
        return "not a folder";
    }
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        return SystemReason(errno);
    }
    return std::nullopt;
}

bool ErrorIsTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}

void WriteError(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
}

std::optional<std::string> WriteOutput(std::string_view text) {
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() ||
        std::fflush(stdout) != 0) {
        return SystemReason(errno);
    }
    return std::nullopt;
}

} // namespace kestrow::native
