#include "installer_digest.h"

#include <algorithm>
#include <vector>

#include "sha256.h"

namespace kestrow {

namespace {

constexpr std::size_t kChunkSize = 1 << 20;

} // namespace

InstallerDigest::InstallerDigest(const installer_db::ReadOnlyFile& file, std::uint64_t size)
    : file_(file), size_(size), thread_([this] { Run(); }) {}

InstallerDigest::~InstallerDigest() {
    abandoned_ = true;
    thread_.Join();
}

std::optional<InstallerDigest256> InstallerDigest::Wait() {
    thread_.Join();
    return digest_;
}

void InstallerDigest::Run() {
    digest::Sha256 sha256;
    std::vector<std::byte> chunk(kChunkSize);
    for (std::uint64_t offset = 0; offset < size_; offset += chunk.size()) {
        chunk.resize(static_cast<std::size_t>(std::min<std::uint64_t>(kChunkSize, size_ - offset)));
        if (abandoned_ || installer_db::Failed(file_.ReadAt(offset, chunk))) {
            return;
        }
        sha256.Update(chunk);
    }
    digest_ = sha256.Finish();
}

} // namespace kestrow
