// The native program's argument reader on any list of arguments.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "native_arguments.h"

using kestrow::fuzz::Expect;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string> arguments =
        kestrow::fuzz::ArgumentsOf(kestrow::fuzz::NarrowText(data, size));
    const std::vector<std::string_view> views(arguments.begin(), arguments.end());
    kestrow::native::Command command;
    kestrow::native::UsageError error;
    if (!kestrow::native::ParseArguments(views, command, error)) {
        Expect(!error.reason.empty());
        return 0;
    }
    // Every accepted conversion has its two paths, and a package name only if not empty.
    if (command.action == kestrow::native::Action::Convert) {
        Expect(!command.installer.empty() && !command.outputFolder.empty());
        Expect(!command.packageName.has_value() || !command.packageName->empty());
    }
    return 0;
}
