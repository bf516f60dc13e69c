#pragma once

// The installer's SHA-256, taken on a thread of its own while the package is written: on a
// machine with a second core, an identity package then takes no longer than a default one.

#include <atomic>
#include <cstdint>
#include <optional>

#include "background_thread.h"
#include "file_io.h"
#include "package_identity.h"

namespace kestrow {

class InstallerDigest {
public:
    // Starts reading the file's first size bytes; the file must outlive the digest.
    InstallerDigest(const installer_db::ReadOnlyFile& file, std::uint64_t size);
    // Stops reading early when the digest was never waited for.
    ~InstallerDigest();

    // Nothing when a read failed.
    std::optional<InstallerDigest256> Wait();

private:
    void Run();

    const installer_db::ReadOnlyFile& file_;
    const std::uint64_t size_;
    std::atomic<bool> abandoned_{false};
    std::optional<InstallerDigest256> digest_;
    BackgroundThread thread_; // last: it starts once every member above is ready
};

} // namespace kestrow
