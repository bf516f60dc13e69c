// kestrow: the package that Kestrow.exe makes, made from a command line: natively on a POSIX
// system, and on Windows as the console program kestrow-cli.exe. The flow is the same on
// both; what differs lives in the entry points and the system's halves.

#include <optional>
#include <string>

#include "command_line_system.h"
#include "embedded_template.h"
#include "failure_message.h"
#include "kestrow_version.h"
#include "native_arguments.h"
#include "native_text.h"
#include "package_builder.h"
#include "package_location.h"
#include "progress_line.h"
#include "run_kestrow.h"

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
    WriteError("kestrow: " + what + ": " + reason + "\n");
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
    if (const std::optional<std::string> fault =
            OutputFolderFault(SystemPath(command.outputFolder))) {
        Report(command.outputFolder, *fault);
        return kConversionFailed;
    }
    ProgressLine progress(WriteError, ErrorIsTerminal(), PathText(package.filename()),
                          ProgressLine::Clock::now());
    const kestrow::BuildOutcome outcome = kestrow::BuildPackageFromTemplate(
        EmbeddedTemplate(), SystemPath(command.installer), package,
        [&progress](std::uint64_t written, std::uint64_t total) {
            progress.Show(written, total, ProgressLine::Clock::now());
        });
    progress.Clear();
    if (outcome.result != 0) {
        const FailureMessage message =
            DescribeFailure(outcome, command.installer, PathText(package));
        Report(message.what, message.reason);
        return kConversionFailed;
    }
    // A script reads the path from here; one that never arrived is no success.
    if (const std::optional<std::string> fault = WriteOutput(PathText(package) + "\n")) {
        Report("standard output", *fault);
        return kConversionFailed;
    }
    return 0;
}

} // namespace

int kestrow::native::RunKestrow(std::span<const std::string_view> arguments) {
    SetTextLocale();
    Command command;
    UsageError error;
    if (!ParseArguments(arguments, command, error)) {
        Report(error.what, error.reason);
        WriteError(kUsage);
        return kUsageFailed;
    }
    switch (command.action) {
    case Action::ShowHelp:
        WriteOutput(std::string(kUsage) + kHelp);
        return 0;
    case Action::ShowVersion:
        WriteOutput(std::string("kestrow ") + KESTROW_VERSION + "\n");
        return 0;
    case Action::Convert:
        break;
    }
    return Convert(command);
}
