#pragma once

// The installer database's value for a failure of the compound-file layer beneath it.

#include "container_error.h"
#include "installer_error.h"

namespace installer_db {

// The value the platform's service gives for the same failure: a damaged file is no
// installer database (kInstallPackageInvalid), and what has no value of its own is
// kFunctionFailed.
ErrorCode InstallerErrorOf(ContainerError error);

} // namespace installer_db
