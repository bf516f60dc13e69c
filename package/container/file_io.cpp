#include "file_io.h"

#include <algorithm>
#include <cstdio>
#include <random>

namespace installer_db {

namespace {

// Large enough that big streams travel in few system calls, small enough to keep the
// service's memory use flat whatever the size of the data.
constexpr std::size_t kWriteBufferSize = std::size_t{1} << 20;
// Copies inside the kernel go in pieces of this size, so that progress is reported while a
// large stream is copied; a multiple of every block size, so that each piece can be cloned.
constexpr std::uint64_t kKernelCopyPiece = std::uint64_t{1} << 26;

} // namespace

std::filesystem::path FolderOf(const std::filesystem::path& path) {
    std::filesystem::path folder = path.parent_path();
    return folder.empty() ? std::filesystem::path(".") : folder;
}

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

std::filesystem::path TemporaryNameIn(const std::filesystem::path& folder) {
    static std::mt19937_64 random{std::random_device{}()};
    char name[32];
    std::snprintf(name, sizeof name, "~kestrow-%012llx.tmp",
                  static_cast<unsigned long long>(random() & 0xFFFFFFFFFFFFULL));
    return folder / name;
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

PendingFile::PendingFile(FileHandle handle, std::filesystem::path name)
    : handle_(std::move(handle)), name_(std::move(name)), buffer_(kWriteBufferSize) {}

PendingFile::~PendingFile() {
    platform_file::DiscardPending(handle_, name_);
}

ErrorCode PendingFile::CreateFor(const std::filesystem::path& target,
                                 std::unique_ptr<PendingFile>& file) {
    FileHandle handle;
    std::filesystem::path name;
    if (const ErrorCode error = platform_file::CreatePending(FolderOf(target), handle, name)) {
        return error;
    }
    file.reset(new PendingFile(std::move(handle), std::move(name)));
    return kSuccess;
}

// Pieces as large as the buffer go straight to the file: copying them would only cost.
ErrorCode PendingFile::Write(std::span<const std::byte> bytes) {
    if (buffered_ + bytes.size() > buffer_.size() || bytes.size() >= buffer_.size()) {
        if (const ErrorCode error = Flush()) {
            return error;
        }
    }
    if (bytes.size() >= buffer_.size()) {
        return WriteThrough(bytes);
    }
    std::copy(bytes.begin(), bytes.end(), buffer_.begin() + static_cast<std::ptrdiff_t>(buffered_));
    buffered_ += bytes.size();
    return kSuccess;
}

ErrorCode PendingFile::WriteZeros(std::uint64_t count) {
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

ErrorCode PendingFile::AppendFrom(const ReadOnlyFile& source, std::uint64_t offset,
                                  std::uint64_t length, std::uint64_t& copied) {
    copied = 0;
    if (const ErrorCode error = Flush()) {
        return error;
    }
    while (copied < length) {
        const std::uint64_t piece = std::min(length - copied, kKernelCopyPiece);
        std::uint64_t moved = 0;
        if (const ErrorCode error = platform_file::CopyInKernel(source.Handle(), offset + copied,
                                                                handle_, piece, moved)) {
            return error;
        }
        copied += moved;
        Advance(moved);
        if (moved < piece) {
            break;
        }
    }
    return kSuccess;
}

ErrorCode PendingFile::Flush() {
    if (buffered_ == 0) {
        return kSuccess;
    }
    const std::span<const std::byte> buffered(buffer_.data(), buffered_);
    buffered_ = 0;
    return WriteThrough(buffered);
}

ErrorCode PendingFile::WriteThrough(std::span<const std::byte> bytes) {
    if (const ErrorCode error = platform_file::WriteAll(handle_, bytes)) {
        return error;
    }
    Advance(bytes.size());
    return kSuccess;
}

void PendingFile::Advance(std::uint64_t count) {
    written_ += count;
    if (progress_) {
        progress_(written_, std::max(written_, expected_));
    }
}

ErrorCode PendingFile::Publish(const std::filesystem::path& target, std::uint32_t& systemError) {
    systemError = 0;
    if (const ErrorCode error = Flush()) {
        return error;
    }
    if (const ErrorCode error =
            platform_file::PublishPending(handle_, name_, target, systemError)) {
        return error;
    }
    name_.clear();
    handle_.Close();
    return kSuccess;
}

} // namespace installer_db
