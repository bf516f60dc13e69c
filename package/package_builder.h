#pragma once

// The one operation of the package layer: a template database with the installer stored
// in its Binary row "Corvane", put at the package path in one step once it is complete and
// on disk. A build that fails, or a process that dies, leaves the package path as it was.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>

#include "package_identity.h"

namespace kestrow {

// What went wrong, for a caller that says more than the installer database's value.
enum class BuildFault {
    None,
    InstallerMissing,    // nothing at the installer's path
    InstallerNotOpened,  // the system refused to open it
    InstallerNotRegular, // a folder, pipe, device or socket
    InstallerUnreadable, // a read failed
    InstallerChanged,    // written to while it was read
    InstallerTooLarge,   // the package could not hold it
    SameFile,            // the installer is at the package path
    DiskFull,            // no room or quota left, at any step
    PackageNotWritten,   // the package's folder refused the package's data
    PackageNotReplaced,  // a file or folder at the package path could not be replaced
    TemplateDamaged,     // the template is not a database
    IdentityRefused,     // the template's tables cannot hold the identity
};

struct BuildOutcome {
    // 0 on success; 1 when no package could be put at the path; otherwise the installer
    // database error value of the step that failed (2 and 110: the installer cannot be
    // opened, 112: the disk is full, 1627: the installer cannot be stored).
    std::uint32_t result = 0;
    BuildFault fault = BuildFault::None;
    // The platform's reason, where the system gave one.
    std::uint32_t systemError = 0;
    // The platform's reason, when a file or folder at the package path could not be replaced.
    std::optional<std::uint32_t> replaceError;
};

// Told, on the building thread, how many bytes of the package are written of how many.
using BuildProgress = std::function<void(std::uint64_t written, std::uint64_t total)>;

// The caller hands over the template, which it carries: built in, or among its resources.
// With an identity, the package is a product of its own; an identity that does not fit the
// template's tables fails with 1627 (BuildFault::IdentityRefused).
BuildOutcome BuildPackageFromTemplate(std::span<const std::byte> templateDatabase,
                                      const std::filesystem::path& installerPath,
                                      const std::filesystem::path& packagePath,
                                      const BuildProgress& progress = {},
                                      const PackageIdentity* identity = nullptr);

} // namespace kestrow
