#include "installer_error_of.h"

namespace installer_db {

ErrorCode InstallerErrorOf(ContainerError error) {
    switch (error) {
    case ContainerError::None:
        return kSuccess;
    case ContainerError::NotFound:
        return kFileNotFound;
    case ContainerError::AccessDenied:
        return kAccessDenied;
    case ContainerError::OpenFailed:
        return kOpenFailed;
    case ContainerError::DiskFull:
        return kDiskFull;
    case ContainerError::Damaged:
        return kInstallPackageInvalid;
    case ContainerError::TooLarge:
        return kFileTooLarge;
    case ContainerError::ReadFailed:
    case ContainerError::WriteFailed:
    case ContainerError::Refused:
        return kFunctionFailed;
    }
    // Only a value cast from outside the enumeration gets here.
    return kFunctionFailed;
}

} // namespace installer_db
