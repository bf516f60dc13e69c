#pragma once

// The last step of a Windows publish, apart from the system calls so that it can be tried
// against every answer a real file system could give.
//
// The pending file is written through a handle that carries a delete-on-close mark. In the
// file system model of MS-FSA, closing an open that was created with delete-on-close marks
// the file's link deleted, and setting FileDispositionInformation with DeletePending FALSE
// clears that mark (2.1.5.15.3, FileDispositionInformation). Wine keeps
// the mark per handle, so a clear that did not take would pass every test there; on a file
// system where it does not take, the renamed package would vanish when its handle closes.
// So the clear is read back, and the rename happens only when the file is no longer
// pending deletion.

#include <chrono>
#include <cstdint>
#include <functional>

#include "container_error.h"

namespace installer_db {

struct MarkedFileCalls {
    // Each returns 0 on success, or the system's error.
    std::function<std::uint32_t(bool marked)> setDeleteMark;
    std::function<std::uint32_t(bool& pending)> readDeletePending;
    std::function<std::uint32_t()> renameOverTarget;
    std::function<void(std::chrono::milliseconds)> wait;
};

// A virus scanner or an indexer holds a newly replaced file for a moment; a rename refused
// for a sharing violation or denied access is tried again for this long.
inline constexpr std::chrono::milliseconds kRenameRetryPeriod{2000};
inline constexpr std::chrono::milliseconds kRenameRetryStep{100};
// ERROR_DELETE_PENDING: the mark could not be cleared.
inline constexpr std::uint32_t kDeletePending = 303;

// Clears the mark, checks that it is clear, and renames; on failure the mark is set again,
// so that the file goes with its handle, and systemError says why. AccessDenied: the
// rename was refused.
ContainerError PublishMarkedFile(const MarkedFileCalls& calls, std::uint32_t& systemError);

} // namespace installer_db
