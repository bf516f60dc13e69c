#include "file_io.h"

#include <algorithm>
#include <cstdio>
#include <random>

namespace installer_db {

namespace {

// Large enough that big streams travel in few system calls, small enough to keep the
// service's memory use flat whatever the size of the data.
constexpr std::size_t kWriteBufferSize = std::size_t{1} << 20;
constexpr int kUniqueNameAttempts = 64;

std::filesystem::path CandidateTemporaryName(const std::filesystem::path& target,
                                             std::mt19937_64& random) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%010llx.tmp",
                  static_cast<unsigned long long>(random() & 0xFFFFFFFFFFULL));
    std::filesystem::path candidate = target;
    candidate += suffix;
    return candidate;
}

} // namespace

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other) {
        Close();
        native_ = other.Release();
    }
    return *this;
}

void FileHandle::Close() {
    if (IsOpen()) {
        platform_file::CloseHandle(native_);
        native_ = kInvalid;
    }
}

std::intptr_t FileHandle::Release() {
    const std::intptr_t native = native_;
    native_ = kInvalid;
    return native;
}

ErrorCode ReadOnlyFile::Open(const std::filesystem::path& path,
                             std::unique_ptr<ReadOnlyFile>& file) {
    FileHandle handle;
    if (const ErrorCode error = platform_file::OpenForReading(path, handle)) {
        return error;
    }
    file.reset(new ReadOnlyFile(std::move(handle)));
    return kSuccess;
}

ErrorCode ReadOnlyFile::ReadAt(std::uint64_t offset, std::span<std::byte> buffer) const {
    return platform_file::ReadAt(handle_, offset, buffer);
}

ErrorCode ReadOnlyFile::QuerySize(std::uint64_t& size) const {
    return platform_file::QuerySize(handle_, size);
}

TemporaryFile::TemporaryFile(std::filesystem::path path, FileHandle handle)
    : path_(std::move(path)), handle_(std::move(handle)), buffer_(kWriteBufferSize) {}

TemporaryFile::~TemporaryFile() {
    handle_.Close();
    if (!replaced_) {
        platform_file::Remove(path_);
    }
}

ErrorCode TemporaryFile::CreateBeside(const std::filesystem::path& target,
                                      std::unique_ptr<TemporaryFile>& file) {
    std::mt19937_64 random{std::random_device{}()};
    for (int attempt = 0; attempt < kUniqueNameAttempts; ++attempt) {
        std::filesystem::path candidate = CandidateTemporaryName(target, random);
        FileHandle handle;
        bool exists = false;
        const ErrorCode error = platform_file::CreateExclusive(candidate, handle, exists);
        if (error == kSuccess) {
            file.reset(new TemporaryFile(std::move(candidate), std::move(handle)));
            return kSuccess;
        }
        if (!exists) {
            return error;
        }
    }
    return kFunctionFailed;
}

// Pieces as large as the buffer go straight to the file: copying them would only cost.
ErrorCode TemporaryFile::Write(std::span<const std::byte> bytes) {
    if (buffered_ + bytes.size() > buffer_.size() || bytes.size() >= buffer_.size()) {
        if (const ErrorCode error = Flush()) {
            return error;
        }
    }
    if (bytes.size() >= buffer_.size()) {
        return platform_file::WriteAll(handle_, bytes);
    }
    std::copy(bytes.begin(), bytes.end(), buffer_.begin() + static_cast<std::ptrdiff_t>(buffered_));
    buffered_ += bytes.size();
    return kSuccess;
}

ErrorCode TemporaryFile::WriteZeros(std::uint64_t count) {
    static constexpr std::byte kZeros[4096] = {};
    while (count > 0) {
        const std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(count, 4096));
        if (const ErrorCode error = Write(std::span(kZeros, piece))) {
            return error;
        }
        count -= piece;
    }
    return kSuccess;
}

ErrorCode TemporaryFile::AppendFrom(const ReadOnlyFile& source, std::uint64_t offset,
                                    std::uint64_t length, std::uint64_t& copied) {
    copied = 0;
    if (const ErrorCode error = Flush()) {
        return error;
    }
    return platform_file::CopyInKernel(source.Handle(), offset, handle_, length, copied);
}

ErrorCode TemporaryFile::Flush() {
    if (buffered_ == 0) {
        return kSuccess;
    }
    const ErrorCode error = platform_file::WriteAll(handle_, std::span(buffer_.data(), buffered_));
    buffered_ = 0;
    return error;
}

// Renaming over an existing file makes ext4 write the new file's data out before the
// rename returns, which costs as much again as writing it. So the old file steps aside
// first, and comes back if the new one cannot take its place.
ErrorCode TemporaryFile::ReplaceTarget(const std::filesystem::path& target) {
    if (const ErrorCode error = Flush()) {
        return error;
    }
    handle_.Close();
    std::filesystem::path aside = path_;
    aside += ".old";
    const bool movedAside = platform_file::MoveReplacing(target, aside) == kSuccess;
    if (const ErrorCode error = platform_file::MoveReplacing(path_, target)) {
        if (movedAside) {
            platform_file::MoveReplacing(aside, target);
        }
        return error;
    }
    replaced_ = true;
    if (movedAside) {
        platform_file::Remove(aside);
    }
    return kSuccess;
}

} // namespace installer_db
