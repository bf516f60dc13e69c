#pragma once

// The few file operations the database service needs, over the platform's own calls:
// positional reads of an existing file, sequential buffered writes to a new temporary
// file beside a target, and putting that file in the target's place in one step.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <vector>

#include "installer_error.h"

namespace installer_db {

// An open platform file handle, closed when the owner goes.
class FileHandle {
public:
    FileHandle() = default;
    explicit FileHandle(std::intptr_t native) : native_(native) {}
    ~FileHandle() { Close(); }
    FileHandle(FileHandle&& other) noexcept : native_(other.Release()) {}
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    bool IsOpen() const { return native_ != kInvalid; }
    std::intptr_t Native() const { return native_; }
    void Close();

private:
    static constexpr std::intptr_t kInvalid = -1;
    std::intptr_t Release();
    std::intptr_t native_ = kInvalid;
};

// An existing file opened for reading at any offset.
class ReadOnlyFile {
public:
    // kFileNotFound when nothing is at the path, kOpenFailed for any other refusal.
    static ErrorCode Open(const std::filesystem::path& path, std::unique_ptr<ReadOnlyFile>& file);

    // Fills the whole buffer from the offset; a file too short for it is a failure.
    ErrorCode ReadAt(std::uint64_t offset, std::span<std::byte> buffer) const;
    ErrorCode QuerySize(std::uint64_t& size) const;
    const FileHandle& Handle() const { return handle_; }

private:
    explicit ReadOnlyFile(FileHandle handle) : handle_(std::move(handle)) {}
    FileHandle handle_;
};

// A file created exclusively beside a target, written front to back. It is deleted when
// dropped unless it has been moved over its target.
class TemporaryFile {
public:
    static ErrorCode CreateBeside(const std::filesystem::path& target,
                                  std::unique_ptr<TemporaryFile>& file);
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    ErrorCode Write(std::span<const std::byte> bytes);
    ErrorCode WriteZeros(std::uint64_t count);
    // Appends bytes of another file without passing them through this process where the
    // platform can copy inside the kernel; copied tells how many it took, possibly none.
    ErrorCode AppendFrom(const ReadOnlyFile& source, std::uint64_t offset, std::uint64_t length,
                         std::uint64_t& copied);
    // Writes out what is buffered, closes the file, then replaces the target with it in one
    // rename. Durability is left to the file system, as for any ordinary file copy.
    ErrorCode ReplaceTarget(const std::filesystem::path& target);
    const std::filesystem::path& Path() const { return path_; }

private:
    TemporaryFile(std::filesystem::path path, FileHandle handle);
    ErrorCode Flush();

    std::filesystem::path path_;
    FileHandle handle_;
    std::vector<std::byte> buffer_;
    std::size_t buffered_ = 0;
    bool replaced_ = false;
};

// Platform primitives behind the classes above; each file of the platform layer
// implements them with its own system calls.
namespace platform_file {
ErrorCode OpenForReading(const std::filesystem::path& path, FileHandle& handle);
ErrorCode CreateExclusive(const std::filesystem::path& path, FileHandle& handle, bool& exists);
ErrorCode ReadAt(const FileHandle& handle, std::uint64_t offset, std::span<std::byte> buffer);
ErrorCode QuerySize(const FileHandle& handle, std::uint64_t& size);
ErrorCode WriteAll(const FileHandle& handle, std::span<const std::byte> bytes);
ErrorCode CopyInKernel(const FileHandle& from, std::uint64_t offset, const FileHandle& to,
                       std::uint64_t length, std::uint64_t& copied);
void CloseHandle(std::intptr_t native);
ErrorCode MoveReplacing(const std::filesystem::path& from, const std::filesystem::path& to);
void Remove(const std::filesystem::path& path);
} // namespace platform_file

} // namespace installer_db
