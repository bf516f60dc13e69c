// kestrow: the package that Kestrow.exe makes, made natively on a POSIX system.

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "embedded_template.h"
#include "failure_message.h"
#include "kestrow_version.h"
#include "native_arguments.h"
#include "package_builder.h"
#include "package_location.h"
#include "progress_line.h"

namespace {

using namespace kestrow::native;

constexpr int kConversionFailed = 1;
constexpr int kUsageFailed = 2;

constexpr const char* kHelp =
    "\n"
    "Packages an installer into a Windows Installer package that runs it silently, for\n"
    "deployment through Active Directory. Prints the package's path.\n"
    "\n"
    "  -i, --installer <file>   the installer to package\n"
    "  -o, --output <folder>    the folder that receives the package\n"
    "  -n, --name <name>        the package's name, not a path; \".msi\" is added unless\n"
    "                           the name holds it (default: the installer's name\n"
    "                           without its extension, plus \".msi\")\n"
    "      --help               show this help\n"
    "      --version            show the version\n"
    "\n"
    "An existing package is replaced, and kept as it was if the conversion fails.\n"
    "Exit status: 0 done, 1 the conversion failed, 2 the command line is wrong.\n";

void Report(const std::string& what, const std::string& reason) {
    std::fprintf(stderr, "kestrow: %s: %s\n", what.c_str(), reason.c_str());
}

// Checked before anything is written, so that the usual mistakes get the system's own words.
std::optional<std::string> OutputFolderFault(const std::string& folder) {
    struct stat status {};
    if (::stat(folder.c_str(), &status) != 0) {
        return std::strerror(errno);
    }
    if (!S_ISDIR(status.st_mode)) {
        return std::strerror(ENOTDIR);
    }
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        return std::strerror(errno);
    }
    return std::nullopt;
}

int Convert(const Command& command) {
    std::filesystem::path package;
    switch (
        PackageLocation(command.installer, command.outputFolder, command.packageName, package)) {
    case NameFault::None:
        break;
    case NameFault::NotAName:
        Report("--name", "not a package name: blank, or \".msi\" alone");
        return kUsageFailed;
    case NameFault::HoldsFolder:
        Report("--name", "a name, not a path: it may not hold \"/\" or \"\\\"");
        return kUsageFailed;
    }
    if (const std::optional<std::string> fault = OutputFolderFault(command.outputFolder)) {
        Report(command.outputFolder, *fault);
        return kConversionFailed;
    }
    ProgressLine progress(
        [](std::string_view text) { std::fwrite(text.data(), 1, text.size(), stderr); },
        ::isatty(STDERR_FILENO) == 1, package.filename().string(), ProgressLine::Clock::now());
    const kestrow::BuildOutcome outcome = kestrow::BuildPackageFromTemplate(
        EmbeddedTemplate(), command.installer, package,
        [&progress](std::uint64_t written, std::uint64_t total) {
            progress.Show(written, total, ProgressLine::Clock::now());
        });
    progress.Clear();
    if (outcome.result != 0) {
        const FailureMessage message = DescribeFailure(outcome, command.installer, package);
        Report(message.what, message.reason);
        return kConversionFailed;
    }
    // A script reads the path from here; one that never arrived is no success.
    if (std::printf("%s\n", package.c_str()) < 0 || std::fflush(stdout) != 0) {
        Report("standard output", std::strerror(errno));
        return kConversionFailed;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    // Names are UTF-8; white space in a package name is what the window trims.
    if (std::setlocale(LC_CTYPE, "C.UTF-8") == nullptr) {
        std::setlocale(LC_CTYPE, "");
    }
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    Command command;
    UsageError error;
    if (!ParseArguments(arguments, command, error)) {
        Report(error.what, error.reason);
        std::fputs(kUsage, stderr);
        return kUsageFailed;
    }
    switch (command.action) {
    case Action::ShowHelp:
        std::printf("%s%s", kUsage, kHelp);
        return 0;
    case Action::ShowVersion:
        std::printf("kestrow %s\n", KESTROW_VERSION);
        return 0;
    case Action::Convert:
        break;
    }
    return Convert(command);
}
