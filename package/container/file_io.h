#pragma once

// The few file operations the package layer needs, over the platform's own calls:
// positional reads of an existing file, and a new file that is written front to back in
// the folder of its target and reaches the target's name only when it is complete.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "container_error.h"
#include "readable_bytes.h"

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

// What a file is and when it last changed: two stamps of one regular file differ when
// anything wrote to it in between.
struct FileStamp {
    bool regular = false; // not a folder, pipe, device or socket
    std::uint64_t size = 0;
    std::int64_t modified = 0;
    std::int64_t changed = 0; // the inode's change time where the platform keeps one

    bool operator==(const FileStamp&) const = default;
};

// An existing file opened for reading at any offset. On Windows no other program may write
// to it while it is open; elsewhere the caller compares stamps to know it read one file.
class ReadOnlyFile final : public ReadableBytes {
public:
    // NotFound when nothing is at the path, OpenFailed for any other refusal (a
    // file another program is writing). Opening never waits, even for a pipe with no writer.
    static ContainerError Open(const std::filesystem::path& path,
                               std::unique_ptr<ReadOnlyFile>& file, std::uint32_t& systemError);

    ContainerError ReadAt(std::uint64_t offset, std::span<std::byte> buffer) const override;
    ContainerError QuerySize(std::uint64_t& size) const override;
    ContainerError QueryStamp(FileStamp& stamp) const;
    const FileHandle& Handle() const { return handle_; }
    // The platform's reason for the last read that failed, 0 if none did.
    std::uint32_t ReadError() const { return readError_; }

private:
    explicit ReadOnlyFile(FileHandle handle) : handle_(std::move(handle)) {}
    FileHandle handle_;
    mutable std::atomic<std::uint32_t> readError_ = 0; // also set by a concurrent reader
};

// A new file in the folder of its target. Until it is published it has no name of its own
// that could outlive the process: if the process ends or the file is dropped, it vanishes.
class PendingFile {
public:
    // Told, from the writing thread, how many bytes the file holds and how many it will hold.
    using Progress = std::function<void(std::uint64_t written, std::uint64_t expected)>;

    // Removes, on the way, the pending files in the folder that no live conversion holds.
    static ContainerError CreateFor(const std::filesystem::path& target,
                                    std::unique_ptr<PendingFile>& file, std::uint32_t& systemError);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    void ReportProgressTo(Progress progress) { progress_ = std::move(progress); }
    // The size the writer will give the file, for the progress reports.
    void ExpectSize(std::uint64_t size) { expected_ = size; }

    ContainerError Write(std::span<const std::byte> bytes);
    ContainerError WriteZeros(std::uint64_t count);
    // Appends bytes of another file without passing them through this process where the
    // platform can copy inside the kernel; copied tells how many it took, possibly none.
    ContainerError AppendFrom(const ReadOnlyFile& source, std::uint64_t offset,
                              std::uint64_t length, std::uint64_t& copied);
    // Writes out what is buffered, makes the file durable with the protection of the file it
    // replaces, and puts it at the target in one step. On failure the target is untouched,
    // the file is gone, and systemError holds the platform's reason. AccessDenied: the
    // replacing step refused.
    ContainerError Publish(const std::filesystem::path& target, std::uint32_t& systemError);
    // The platform's reason for the last write that failed, 0 if none did.
    std::uint32_t WriteError() const { return writeError_; }

private:
    PendingFile(FileHandle handle, std::filesystem::path name);
    ContainerError Flush();
    ContainerError WriteThrough(std::span<const std::byte> bytes);
    void Advance(std::uint64_t count);

    FileHandle handle_;
    std::filesystem::path name_; // empty while the platform keeps the file nameless
    std::vector<std::byte> buffer_;
    std::size_t buffered_ = 0;
    Progress progress_;
    std::uint64_t written_ = 0;
    std::uint64_t writtenBack_ = 0;
    std::uint64_t expected_ = 0;
    std::uint32_t writeError_ = 0;
};

// Whether a new file could be put at the path: nothing is there, or a file that this
// process may replace. A read-only file is never replaced. Otherwise systemError holds the
// platform's reason. Implemented by the platform layer.
bool CanReplace(const std::filesystem::path& path, std::uint32_t& systemError);
// Whether the platform's reason for a failure is a full disk or an exhausted quota.
bool IsDiskFull(std::uint32_t systemError);
// Whether two paths, however spelled, name one existing file. Implemented by the platform
// layer.
bool IsSameFile(const std::filesystem::path& a, const std::filesystem::path& b);

// Platform primitives behind the classes above; each file of the platform layer
// implements them with its own system calls.
// A failure leaves its reason for LastSystemError.
namespace platform_file {
std::uint32_t LastSystemError();
ContainerError OpenForReading(const std::filesystem::path& path, FileHandle& handle);
ContainerError ReadAt(const FileHandle& handle, std::uint64_t offset, std::span<std::byte> buffer);
ContainerError QuerySize(const FileHandle& handle, std::uint64_t& size);
ContainerError QueryStamp(const FileHandle& handle, FileStamp& stamp);
ContainerError WriteAll(const FileHandle& handle, std::span<const std::byte> bytes);
ContainerError CopyInKernel(const FileHandle& from, std::uint64_t offset, const FileHandle& to,
                            std::uint64_t length, std::uint64_t& copied);
// Starts writing a range of the file out to the disk without waiting for it, where the
// platform can; the flush before publishing is what counts.
void StartWriteBack(const FileHandle& handle, std::uint64_t offset, std::uint64_t length);
void CloseHandle(std::intptr_t native);
// name stays empty where the platform can keep the file nameless until it is published.
// Publishing leaves the handle open and the name as it was; the caller lets both go.
ContainerError CreatePending(const std::filesystem::path& folder, FileHandle& handle,
                             std::filesystem::path& name);
ContainerError PublishPending(FileHandle& handle, std::filesystem::path& name,
                              const std::filesystem::path& target, std::uint32_t& systemError);
void DiscardPending(FileHandle& handle, const std::filesystem::path& name);
// Removes a pending file left by a conversion that died, unless a live one holds it.
void RemoveIfAbandoned(const std::filesystem::path& pendingFile);
} // namespace platform_file

// The folder a path is in; "." for a bare name.
std::filesystem::path FolderOf(const std::filesystem::path& path);
// A fresh name for a temporary file in the folder: short, so that it fits wherever the
// package's own name does.
std::filesystem::path TemporaryNameIn(const std::filesystem::path& folder);
// Whether a file name is one that TemporaryNameIn gives.
bool IsTemporaryName(const std::filesystem::path& fileName);

} // namespace installer_db
