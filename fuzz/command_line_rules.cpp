// The console mode's argument rules on any wide command line.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "command_line_rules.h"
#include "fuzz_support.h"
#include "package_name.h"

namespace {

using kestrow::fuzz::Expect;

// The title is the name up to its last dot: what is cut off is nothing or a single extension.
void CheckFileTitle(const std::wstring& fileName) {
    const std::wstring title = kestrow::FileTitle(fileName);
    Expect(fileName.starts_with(title));
    const std::wstring_view extension = std::wstring_view(fileName).substr(title.size());
    Expect(extension.empty() || extension.find(L'.', 1) == std::wstring_view::npos);
}

// The found name follows a leading part of the pattern: its folder.
void CheckFoundFilePath(const std::wstring& pattern, const std::wstring& foundName) {
    const std::wstring path = kestrow::FoundFilePath(pattern, foundName);
    Expect(path.ends_with(foundName));
    Expect(pattern.starts_with(std::wstring_view(path).substr(0, path.size() - foundName.size())));
}

void CheckPackagePath(const std::wstring& folder, const std::wstring& installerName) {
    const std::wstring path = kestrow::PackagePathFor(folder, kestrow::FileTitle(installerName));
    Expect(path.starts_with(folder) && path.ends_with(L".msi"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::wstring> arguments =
        kestrow::fuzz::ArgumentsOf(kestrow::fuzz::WideText(data, size));
    Expect(!kestrow::AreConversionArguments(arguments) || arguments.size() == 4);
    for (const std::wstring& argument : arguments) {
        CheckFileTitle(argument);
    }
    for (std::size_t i = 0; i + 1 < arguments.size(); ++i) {
        CheckFoundFilePath(arguments[i], arguments[i + 1]);
        CheckPackagePath(arguments[i], arguments[i + 1]);
    }
    return 0;
}
