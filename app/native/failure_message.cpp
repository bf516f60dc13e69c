#include "failure_message.h"

#include "system_reason.h"

namespace kestrow::native {

namespace {

std::string WithValue(const std::string& reason, std::uint32_t value) {
    return reason + " (error " + std::to_string(value) + ")";
}

// The system's words for its reason, after the program's own where there is one.
std::string Because(const char* reason, std::uint32_t systemError) {
    if (systemError == 0) {
        return reason;
    }
    return std::string(reason) + ": " + SystemReason(systemError);
}

std::string DiskFullReason(std::uint32_t systemError) {
    return IsQuotaExceeded(systemError) ? "the disk quota is exceeded" : "the disk is full";
}

} // namespace

FailureMessage DescribeFailure(const BuildOutcome& outcome, const std::string& installer,
                               const std::string& package) {
    const std::uint32_t value = outcome.result;
    const std::uint32_t cause = outcome.systemError;
    switch (outcome.fault) {
    case BuildFault::None:
        break;
    case BuildFault::InstallerMissing:
        return {installer, WithValue("no such file", value)};
    case BuildFault::InstallerNotOpened:
        return {installer, WithValue(Because("cannot be opened for reading", cause), value)};
    case BuildFault::InstallerNotRegular:
        return {installer, WithValue("not a regular file", value)};
    case BuildFault::InstallerUnreadable:
        return {installer, WithValue(Because("cannot be read", cause), value)};
    case BuildFault::InstallerChanged:
        return {installer, WithValue("changed while it was read", value)};
    case BuildFault::InstallerTooLarge:
        return {installer, "the installer is larger than a package can hold (at most "
                           "2,130,030,592 bytes)"};
    case BuildFault::DiskFull:
        return {package, WithValue(DiskFullReason(cause), value)};
    case BuildFault::PackageNotWritten:
        return {package, WithValue(Because("cannot be written", cause), value)};
    case BuildFault::PackageNotReplaced:
        return {package, SystemReason(cause)};
    case BuildFault::IdentityRefused:
        return {package,
                WithValue("the template's tables cannot hold the product's identity", value)};
    case BuildFault::SameFile:
    case BuildFault::TemplateDamaged:
        break;
    }
    return {package, "the package cannot be written there"};
}

} // namespace kestrow::native
