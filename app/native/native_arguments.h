#pragma once

// The command line of the native program, read the POSIX way: short options with their
// value joined or apart ("-ifile", "-i file"), long options with "=" or apart, "--" ending
// the options.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kestrow::native {

inline constexpr const char* kUsage =
    "usage: kestrow -i <installer> [-o <folder>] [-n <package name>] [identity options]\n"
    "       kestrow inspect [--json] <package>...\n"
    "       kestrow extract <package> -o <file>\n";

enum class Action { Convert, Inspect, Extract, ShowHelp, ShowVersion };

struct Command {
    Action action = Action::Convert;
    std::string installer;
    std::string outputFolder;
    std::optional<std::string> packageName;
    // The package's own product; any of these makes an identity package.
    std::optional<std::string> productName;
    std::optional<std::string> manufacturer;
    std::optional<std::string> productVersion;
    std::optional<std::string> upgradeCode;
    std::optional<std::string> installArguments;
    std::optional<std::string> uninstallArguments;
    bool fromInstaller = false;
    // kestrow inspect and kestrow extract: the packages, the form and the installer's file.
    std::vector<std::string> packages;
    bool json = false;
    std::string extractTo;

    bool AsksForIdentity() const {
        return productName || manufacturer || productVersion || upgradeCode || installArguments ||
               uninstallArguments || fromInstaller;
    }
};

// What was wrong with the arguments: the option or argument at fault, and why.
struct UsageError {
    std::string what;
    std::string reason;
};

// The arguments after the program's name; "inspect" or "extract" first names the command.
// Either fills command and returns true, or fills error with the first fault and returns
// false. Every argument is read before any is acted on: help or the version (-h, -V, the
// first asked for) is shown only when every argument is sound. The output folder is the
// current one unless given.
bool ParseArguments(std::span<const std::string_view> arguments, Command& command,
                    UsageError& error);

} // namespace kestrow::native
