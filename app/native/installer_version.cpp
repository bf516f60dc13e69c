#include "installer_version.h"

#include <memory>

#include "file_io.h"

namespace kestrow::native {

std::optional<std::string> ReadInstallerVersion(const std::filesystem::path& installer,
                                                identity::VersionStrings& strings) {
    std::unique_ptr<installer_db::ReadOnlyFile> file;
    std::uint32_t systemError = 0;
    std::uint64_t size = 0;
    if (installer_db::Failed(installer_db::ReadOnlyFile::Open(installer, file, systemError)) ||
        installer_db::Failed(file->QuerySize(size))) {
        return "cannot be opened for reading";
    }
    const auto readAt = [&file](std::uint64_t offset, std::span<std::byte> buffer) {
        return !installer_db::Failed(file->ReadAt(offset, buffer));
    };
    switch (identity::ReadVersionResource(readAt, size, strings)) {
    case identity::VersionResourceFault::None:
        return std::nullopt;
    case identity::VersionResourceFault::NotAProgram:
        return "not a Windows program, so it has no version resource";
    case identity::VersionResourceFault::NoVersionResource:
        return "has no version resource";
    case identity::VersionResourceFault::Damaged:
        return "its version resource is damaged";
    case identity::VersionResourceFault::ReadFailed:
        break;
    }
    return "cannot be read";
}

} // namespace kestrow::native
