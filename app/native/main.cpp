// kestrow: the package that Kestrow.exe makes, made from a command line: natively on a POSIX
// system, and on Windows as the console program kestrow-cli.exe. The flow is the same on
// both; what differs lives in the entry points and the system's halves.

#include <optional>
#include <string>

#include "command_line_system.h"
#include "embedded_template.h"
#include "failure_message.h"
#include "identity_options.h"
#include "installer_version.h"
#include "kestrow_version.h"
#include "native_arguments.h"
#include "native_text.h"
#include "package_builder.h"
#include "package_commands.h"
#include "package_location.h"
#include "progress_line.h"
#include "run_kestrow.h"

namespace {

using namespace kestrow::native;

constexpr int kConversionFailed = 1;
constexpr int kUsageFailed = 2;

constexpr const char* kCopyright = "Copyright (c) Tellwright Corporation. All rights reserved.\n";

constexpr const char* kHelp =
    "\n"
    "Packages an installer into a Windows Installer package that runs it silently, for\n"
    "deployment through Active Directory. Prints the package's path.\n"
    "\n"
    "  -i, --installer <file>   the installer to package\n"
    "  -o, --output <folder>    the folder that receives the package (default: the\n"
    "                           current folder)\n"
    "  -n, --name <name>        the package's name, not a path; \".msi\" is added unless\n"
    "                           the name holds it (default: the installer's name\n"
    "                           without its extension, plus \".msi\")\n"
    "  -h, --help               show this help\n"
    "  -V, --version            show the version\n"
    "\n"
    "Identity options give the package a product of its own, so that its versions\n"
    "upgrade each other; without them every package is the same product:\n"
    "      --product-name <text>         the product's name (default: the package's name)\n"
    "      --manufacturer <text>         the product's manufacturer\n"
    "      --product-version <A.B.C>     the product's version (default: 1.0.0)\n"
    "      --upgrade-code <GUID>         shared by every version (default: derived from\n"
    "                                    the product's name and manufacturer)\n"
    "      --from-installer              name, manufacturer and version from the\n"
    "                                    installer's version resource\n"
    "      --install-arguments <text>    the installer's command line when the package\n"
    "                                    installs (default: \"/install /silent\")\n"
    "      --uninstall-arguments <text>  the installer's command line when the package\n"
    "                                    is removed (default: removal runs nothing)\n"
    "\n"
    "An existing package is replaced, and kept as it was if the conversion fails.\n"
    "\n"
    "kestrow inspect tells, for each package, whether its compound file is sound and it\n"
    "is a Kestrow package, its product and codes, the installer inside (size, SHA-256,\n"
    "version resource, signer) and the package's own signer; --json prints one JSON\n"
    "object a package, one a line. kestrow extract writes the installer inside to <file>.\n"
    "\n"
    "Exit status: 0 done, 1 the conversion failed or a package is not a sound Kestrow\n"
    "package, 2 the command line is wrong.\n";

void Report(const std::string& what, const std::string& reason) {
    WriteError("kestrow: " + what + ": " + reason + "\n");
}

// Text asked for on standard output; a failure to write it is a failure of the run.
int Show(const std::string& text) {
    if (const std::optional<std::string> fault = WriteOutput(text)) {
        Report("standard output", *fault);
        return kConversionFailed;
    }
    return 0;
}

// The package's own product, when the options ask for one; an exit status when they
// cannot be met.
std::optional<int> ResolveAskedIdentity(const Command& command,
                                        const std::filesystem::path& package,
                                        std::optional<kestrow::PackageIdentity>& identity) {
    if (!command.AsksForIdentity()) {
        return std::nullopt;
    }
    kestrow::identity::VersionStrings version;
    if (command.fromInstaller) {
        if (const auto fault = ReadInstallerVersion(SystemPath(command.installer), version)) {
            Report(command.installer, *fault);
            return kConversionFailed;
        }
    }
    identity.emplace();
    const IdentityResult result = ResolveIdentity(
        command, command.fromInstaller ? &version : nullptr, PathText(package.stem()), *identity);
    for (const std::string& warning : result.warnings) {
        WriteError("kestrow: warning: " + warning + "\n");
    }
    if (result.fault) {
        Report(result.fault->what, result.fault->reason);
        // What the installer's resource holds is no fault of the command line.
        return result.fault->what == "--from-installer" ? kConversionFailed : kUsageFailed;
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
        Report("--name", "a name, not a path: it may not hold \"/\", \"\\\" or \":\"");
        return kUsageFailed;
    }
    std::optional<kestrow::PackageIdentity> identity;
    if (const std::optional<int> status = ResolveAskedIdentity(command, package, identity)) {
        return *status;
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
        },
        identity ? &*identity : nullptr);
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
        WriteError(std::string(kUsage) + "Try 'kestrow --help'.\n");
        return kUsageFailed;
    }
    switch (command.action) {
    case Action::ShowHelp:
        return Show(std::string(kUsage) + kHelp);
    case Action::ShowVersion:
        return Show(std::string("kestrow ") + KESTROW_VERSION + "\n" + kCopyright);
    case Action::Inspect:
        return InspectPackages(command.packages, command.json);
    case Action::Extract:
        return ExtractInstaller(command.packages.front(), command.extractTo);
    case Action::Convert:
        break;
    }
    return Convert(command);
}
