#pragma once

// The identity options of the native program turned into a package's own product: each
// text checked against what the package's tables and the Windows Installer take, the
// version read as the Windows Installer reads it, and what is not given derived.

#include <optional>
#include <string>
#include <vector>

#include "native_arguments.h"
#include "package_identity.h"
#include "version_resource.h"

namespace kestrow::native {

struct IdentityResult {
    std::optional<UsageError> fault; // the option at fault and why; nothing when sound
    std::vector<std::string> warnings;
};

// installerVersion: the installer's version resource, when --from-installer read one.
// packageTitle: the package's file name without ".msi", the product's name by default.
IdentityResult ResolveIdentity(const Command& command,
                               const identity::VersionStrings* installerVersion,
                               const std::string& packageTitle, PackageIdentity& identity);

} // namespace kestrow::native
