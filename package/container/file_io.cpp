#include "file_io.h"

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <string_view>

namespace installer_db {

namespace {

// Large enough that big streams travel in few system calls, small enough to keep the
// service's memory use flat whatever the size of the data.
constexpr std::size_t kWriteBufferSize = std::size_t{1} << 20;
// Copies inside the kernel go in pieces of this size, so that progress is reported while a
// large stream is copied; a multiple of every block size, so that each piece can be cloned.
constexpr std::uint64_t kKernelCopyPiece = std::uint64_t{1} << 26;
// The package must be on disk before it takes its name; its data starts on its way there
// in pieces of this size while the rest is still being written, so that the flush at the
// end waits for little more than the last piece.
constexpr std::uint64_t kWriteBackPiece = std::uint64_t{1} << 25;

constexpr char kTemporaryPrefix[] = "~kestrow-";
constexpr char kTemporarySuffix[] = ".tmp";
constexpr std::size_t kTemporaryDigits = 12;

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
    std::snprintf(name, sizeof name, "%s%012llx%s", kTemporaryPrefix,
                  static_cast<unsigned long long>(random() & 0xFFFFFFFFFFFFULL), kTemporarySuffix);
    return folder / name;
}

bool IsTemporaryName(const std::filesystem::path& fileName) {
    const std::string name = fileName.string();
    const std::string_view prefix(kTemporaryPrefix);
    const std::string_view suffix(kTemporarySuffix);
    if (name.size() != prefix.size() + kTemporaryDigits + suffix.size() ||
        !name.starts_with(prefix) || !name.ends_with(suffix)) {
        return false;
    }
    const std::string_view digits = std::string_view(name).substr(prefix.size(), kTemporaryDigits);
    return digits.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

namespace {

// A conversion that died before its end, on a system where the pending file had a name,
// left it behind; the next conversion into the folder removes it.
void RemoveAbandonedPendingFiles(const std::filesystem::path& folder) {
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        if (IsTemporaryName(entry->path().filename())) {
            platform_file::RemoveIfAbandoned(entry->path());
        }
    }
}

} // namespace

ContainerError ReadOnlyFile::Open(const std::filesystem::path& path,
                                  std::unique_ptr<ReadOnlyFile>& file, std::uint32_t& systemError) {
    FileHandle handle;
    if (const ContainerError error = platform_file::OpenForReading(path, handle); Failed(error)) {
        systemError = platform_file::LastSystemError();
        return error;
    }
    file.reset(new ReadOnlyFile(std::move(handle)));
    return ContainerError::None;
}

ContainerError ReadOnlyFile::ReadAt(std::uint64_t offset, std::span<std::byte> buffer) const {
    const ContainerError error = platform_file::ReadAt(handle_, offset, buffer);
    if (Failed(error)) {
        readError_ = platform_file::LastSystemError();
    }
    return error;
}

ContainerError ReadOnlyFile::QueryStamp(FileStamp& stamp) const {
    return platform_file::QueryStamp(handle_, stamp);
}

ContainerError ReadOnlyFile::QuerySize(std::uint64_t& size) const {
    return platform_file::QuerySize(handle_, size);
}

PendingFile::PendingFile(FileHandle handle, std::filesystem::path name)
    : handle_(std::move(handle)), name_(std::move(name)), buffer_(kWriteBufferSize) {}

PendingFile::~PendingFile() {
    platform_file::DiscardPending(handle_, name_);
}

ContainerError PendingFile::CreateFor(const std::filesystem::path& target,
                                      std::unique_ptr<PendingFile>& file,
                                      std::uint32_t& systemError) {
    const std::filesystem::path folder = FolderOf(target);
    RemoveAbandonedPendingFiles(folder);
    FileHandle handle;
    std::filesystem::path name;
    if (const ContainerError error = platform_file::CreatePending(folder, handle, name);
        Failed(error)) {
        systemError = platform_file::LastSystemError();
        return error;
    }
    file.reset(new PendingFile(std::move(handle), std::move(name)));
    return ContainerError::None;
}

// Pieces as large as the buffer go straight to the file: copying them would only cost.
ContainerError PendingFile::Write(std::span<const std::byte> bytes) {
    if (buffered_ + bytes.size() > buffer_.size() || bytes.size() >= buffer_.size()) {
        if (const ContainerError error = Flush(); Failed(error)) {
            return error;
        }
    }
    if (bytes.size() >= buffer_.size()) {
        return WriteThrough(bytes);
    }
    std::copy(bytes.begin(), bytes.end(), buffer_.begin() + static_cast<std::ptrdiff_t>(buffered_));
    buffered_ += bytes.size();
    return ContainerError::None;
}

ContainerError PendingFile::WriteZeros(std::uint64_t count) {
    static constexpr std::byte kZeros[4096] = {};
    while (count > 0) {
        const std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(count, 4096));
        if (const ContainerError error = Write(std::span(kZeros, piece)); Failed(error)) {
            return error;
        }
        count -= piece;
    }
    return ContainerError::None;
}

ContainerError PendingFile::AppendFrom(const ReadOnlyFile& source, std::uint64_t offset,
                                       std::uint64_t length, std::uint64_t& copied) {
    copied = 0;
    if (const ContainerError error = Flush(); Failed(error)) {
        return error;
    }
    while (copied < length) {
        const std::uint64_t piece = std::min(length - copied, kKernelCopyPiece);
        std::uint64_t moved = 0;
        if (const ContainerError error = platform_file::CopyInKernel(
                source.Handle(), offset + copied, handle_, piece, moved);
            Failed(error)) {
            return error;
        }
        copied += moved;
        Advance(moved);
        if (moved < piece) {
            break;
        }
    }
    return ContainerError::None;
}

ContainerError PendingFile::Flush() {
    if (buffered_ == 0) {
        return ContainerError::None;
    }
    const std::span<const std::byte> buffered(buffer_.data(), buffered_);
    buffered_ = 0;
    return WriteThrough(buffered);
}

ContainerError PendingFile::WriteThrough(std::span<const std::byte> bytes) {
    if (const ContainerError error = platform_file::WriteAll(handle_, bytes); Failed(error)) {
        writeError_ = platform_file::LastSystemError();
        return error;
    }
    Advance(bytes.size());
    return ContainerError::None;
}

void PendingFile::Advance(std::uint64_t count) {
    written_ += count;
    if (written_ - writtenBack_ >= kWriteBackPiece) {
        platform_file::StartWriteBack(handle_, writtenBack_, written_ - writtenBack_);
        writtenBack_ = written_;
    }
    if (progress_) {
        progress_(written_, std::max(written_, expected_));
    }
}

ContainerError PendingFile::Publish(const std::filesystem::path& target,
                                    std::uint32_t& systemError) {
    systemError = 0;
    if (const ContainerError error = Flush(); Failed(error)) {
        systemError = writeError_;
        return error;
    }
    if (const ContainerError error =
            platform_file::PublishPending(handle_, name_, target, systemError);
        Failed(error)) {
        return error;
    }
    name_.clear();
    handle_.Close();
    return ContainerError::None;
}

} // namespace installer_db
