#pragma once

#include <cstdint>

namespace installer_db {

// Results carry the Windows Installer error-code values, so that callers can pass them
// on unchanged as they would the platform service's.
using ErrorCode = std::uint32_t;

inline constexpr ErrorCode kSuccess = 0;
inline constexpr ErrorCode kFileNotFound = 2;      // ERROR_FILE_NOT_FOUND
inline constexpr ErrorCode kAccessDenied = 5;      // ERROR_ACCESS_DENIED
inline constexpr ErrorCode kInvalidData = 13;      // ERROR_INVALID_DATA
inline constexpr ErrorCode kInvalidParameter = 87; // ERROR_INVALID_PARAMETER
inline constexpr ErrorCode kOpenFailed = 110;      // ERROR_OPEN_FAILED
inline constexpr ErrorCode kDiskFull = 112;        // ERROR_DISK_FULL
// A compound file too large for its format, or for the readers that others use. The builder
// reports it as kFunctionFailed, as the platform's service would.
inline constexpr ErrorCode kFileTooLarge = 223;    // ERROR_FILE_TOO_LARGE
inline constexpr ErrorCode kBadQuerySyntax = 1615; // ERROR_BAD_QUERY_SYNTAX
// A file that opens but is not a sound installer database (damaged container, string
// pool or catalogue) gives kInstallPackageInvalid; a file that cannot be opened at all
// gives kOpenFailed.
inline constexpr ErrorCode kInstallPackageInvalid = 1620; // ERROR_INSTALL_PACKAGE_INVALID
inline constexpr ErrorCode kFunctionFailed = 1627;        // ERROR_FUNCTION_FAILED

} // namespace installer_db
