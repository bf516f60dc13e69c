#pragma once

// The one operation of the package layer: the template database with the installer stored
// in its Binary row "Corvane", put at the package path in one step once it is complete.
// A build that fails, or a process that dies, leaves the package path as it was.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>

namespace kestrow {

struct BuildOutcome {
    // 0 on success; 1 when no package could be put at the path; otherwise the installer
    // database error value of the step that failed (2 and 110: the installer cannot be
    // opened, 112: the disk is full, 1627: the installer cannot be stored).
    std::uint32_t result = 0;
    // The platform's reason, when a file or folder at the package path could not be replaced.
    std::optional<std::uint32_t> replaceError;
};

// Told, on the building thread, how many bytes of the package are written of how many.
using BuildProgress = std::function<void(std::uint64_t written, std::uint64_t total)>;

BuildOutcome BuildPackageFromTemplate(std::span<const std::byte> templateDatabase,
                                      const std::filesystem::path& installerPath,
                                      const std::filesystem::path& packagePath,
                                      const BuildProgress& progress = {});

// The same with the template that this program carries among its resources (Windows).
BuildOutcome BuildPackage(const std::filesystem::path& installerPath,
                          const std::filesystem::path& packagePath,
                          const BuildProgress& progress = {});

} // namespace kestrow
