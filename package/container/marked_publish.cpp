#include "marked_publish.h"

namespace installer_db {

namespace {

constexpr std::uint32_t kAccessDeniedError = 5; // ERROR_ACCESS_DENIED
constexpr std::uint32_t kSharingViolation = 32; // ERROR_SHARING_VIOLATION

bool IsMomentary(std::uint32_t error) {
    return error == kSharingViolation || error == kAccessDeniedError;
}

std::uint32_t RenameWithRetries(const MarkedFileCalls& calls) {
    std::uint32_t error = calls.renameOverTarget();
    for (auto waited = std::chrono::milliseconds::zero();
         IsMomentary(error) && waited < kRenameRetryPeriod; waited += kRenameRetryStep) {
        calls.wait(kRenameRetryStep);
        error = calls.renameOverTarget();
    }
    return error;
}

ContainerError RenameUnlessPending(const MarkedFileCalls& calls, std::uint32_t& systemError) {
    bool pending = true;
    if ((systemError = calls.readDeletePending(pending)) != 0) {
        return ContainerError::WriteFailed;
    }
    if (pending) {
        systemError = kDeletePending;
        return ContainerError::WriteFailed;
    }
    if ((systemError = RenameWithRetries(calls)) != 0) {
        return ContainerError::AccessDenied;
    }
    return ContainerError::None;
}

} // namespace

ContainerError PublishMarkedFile(const MarkedFileCalls& calls, std::uint32_t& systemError) {
    if ((systemError = calls.setDeleteMark(false)) != 0) {
        return ContainerError::WriteFailed;
    }
    const ContainerError error = RenameUnlessPending(calls, systemError);
    if (Failed(error)) {
        calls.setDeleteMark(true);
    }
    return error;
}

} // namespace installer_db
