#include "package_location.h"

#include "native_text.h"
#include "package_name.h"

namespace kestrow::native {

NameFault PackageLocation(const std::string& installer, const std::string& outputFolder,
                          const std::optional<std::string>& packageName,
                          std::filesystem::path& package) {
    std::wstring fileName;
    if (packageName) {
        const std::wstring name = WideFromUtf8(*packageName);
        if (HoldsPathSeparator(name)) {
            return NameFault::HoldsFolder;
        }
        if (!IsValidPackageName(name)) {
            return NameFault::NotAName;
        }
        fileName = PackageFileName(name);
    } else {
        // The last component of a path holds no separator, and its title plus ".msi" is
        // never "." or "..".
        const std::string installerName = PathText(SystemPath(installer).filename());
        fileName = FileTitle(WideFromUtf8(installerName)) + L".msi";
    }
    package = SystemPath(outputFolder) / SystemPath(Utf8FromWide(fileName));
    return NameFault::None;
}

} // namespace kestrow::native
