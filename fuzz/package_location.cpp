// The native program's package path from any folder, installer path and package name:
// whatever they hold, the package is a file directly inside the folder, and a name derived
// from the installer ends in ".msi".

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "package_location.h"

using kestrow::fuzz::Expect;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string> arguments =
        kestrow::fuzz::ArgumentsOf(kestrow::fuzz::NarrowText(data, size));
    if (arguments.size() < 2) {
        return 0;
    }
    const std::string& folder = arguments[0];
    std::optional<std::string> name;
    if (arguments.size() > 2) {
        name = arguments[2];
    }
    std::filesystem::path package;
    if (kestrow::native::PackageLocation(arguments[1], folder, name, package) !=
        kestrow::native::NameFault::None) {
        return 0;
    }
    const std::string fileName = package.filename().string();
    Expect(package == std::filesystem::path(folder) / fileName);
    Expect(!fileName.empty() && fileName != "." && fileName != "..");
    Expect(fileName.find('\0') == std::string::npos);
    Expect(name.has_value() || fileName.ends_with(".msi"));
    return 0;
}
