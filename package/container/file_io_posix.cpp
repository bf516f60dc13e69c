#include "file_io.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#ifdef __linux__
#include <linux/fs.h>
#include <sys/ioctl.h>
#endif

namespace installer_db::platform_file {

namespace {

int Descriptor(const FileHandle& handle) {
    return static_cast<int>(handle.Native());
}

ContainerError WriteErrorFromErrno() {
    return IsDiskFull(static_cast<std::uint32_t>(errno)) ? ContainerError::DiskFull
                                                         : ContainerError::WriteFailed;
}

std::int64_t Nanoseconds(const timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
}

} // namespace

std::uint32_t LastSystemError() {
    return static_cast<std::uint32_t>(errno);
}

// Without O_NONBLOCK, opening a FIFO waits for a writer for ever; the caller looks at the
// stamp and refuses what is not a regular file before reading a byte.
ContainerError OpenForReading(const std::filesystem::path& path, FileHandle& handle) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) {
        return errno == ENOENT || errno == ENOTDIR ? ContainerError::NotFound
                                                   : ContainerError::OpenFailed;
    }
    handle = FileHandle(descriptor);
    return ContainerError::None;
}

ContainerError QueryStamp(const FileHandle& handle, FileStamp& stamp) {
    struct stat status {};
    if (::fstat(Descriptor(handle), &status) != 0) {
        return ContainerError::ReadFailed;
    }
    stamp.regular = S_ISREG(status.st_mode);
    stamp.size = static_cast<std::uint64_t>(status.st_size);
    stamp.modified = Nanoseconds(status.st_mtim);
    stamp.changed = Nanoseconds(status.st_ctim);
    return ContainerError::None;
}

ContainerError ReadAt(const FileHandle& handle, std::uint64_t offset, std::span<std::byte> buffer) {
    std::size_t done = 0;
    while (done < buffer.size()) {
        const ssize_t got = ::pread(Descriptor(handle), buffer.data() + done, buffer.size() - done,
                                    static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got == 0) {
            // The file ended before the size it had when it was measured.
            errno = EIO;
        }
        if (got <= 0) {
            return ContainerError::ReadFailed;
        }
        done += static_cast<std::size_t>(got);
    }
    return ContainerError::None;
}

ContainerError QuerySize(const FileHandle& handle, std::uint64_t& size) {
    struct stat status {};
    if (::fstat(Descriptor(handle), &status) != 0) {
        return ContainerError::ReadFailed;
    }
    size = static_cast<std::uint64_t>(status.st_size);
    return ContainerError::None;
}

ContainerError WriteAll(const FileHandle& handle, std::span<const std::byte> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(Descriptor(handle), bytes.data() + done, bytes.size() - done);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            return WriteErrorFromErrno();
        }
        done += static_cast<std::size_t>(put);
    }
    return ContainerError::None;
}

#ifdef __linux__
namespace {

// The unit of a clone: offsets and lengths must be multiples of the file system's block,
// which is this size wherever blocks are shared (XFS, btrfs); a larger block refuses the
// clone and the bytes are copied instead.
constexpr std::uint64_t kCloneUnit = 4096;

// Where the file system shares blocks between files (XFS with reflink, btrfs), the
// block-aligned front of the range becomes the installer's own blocks, shared; the file
// position then moves past it as if it had been written.
std::uint64_t CloneBlocks(int from, std::uint64_t offset, int to, std::uint64_t length) {
    const off_t position = ::lseek(to, 0, SEEK_CUR);
    const std::uint64_t aligned = length / kCloneUnit * kCloneUnit;
    if (position < 0 || aligned == 0 || offset % kCloneUnit != 0 ||
        static_cast<std::uint64_t>(position) % kCloneUnit != 0) {
        return 0;
    }
    file_clone_range range{};
    range.src_fd = from;
    range.src_offset = offset;
    range.src_length = aligned;
    range.dest_offset = static_cast<std::uint64_t>(position);
    if (::ioctl(to, FICLONERANGE, &range) != 0 ||
        ::lseek(to, position + static_cast<off_t>(aligned), SEEK_SET) < 0) {
        return 0;
    }
    return aligned;
}

// Within one file system the kernel moves the pages itself, as cp does.
std::uint64_t CopyFileRange(int from, std::uint64_t offset, int to, std::uint64_t length) {
    std::uint64_t copied = 0;
    auto position = static_cast<off_t>(offset);
    while (copied < length) {
        const ssize_t moved = ::copy_file_range(from, &position, to, nullptr, length - copied, 0);
        if (moved < 0 && errno == EINTR) {
            continue;
        }
        if (moved <= 0) {
            break;
        }
        copied += static_cast<std::uint64_t>(moved);
    }
    return copied;
}

} // namespace

// Sharing blocks first, then copying in the kernel. Where either is refused (another file
// system, an old kernel) the caller copies what is left through a buffer, and meets any
// real failure, such as a full disk, there.
ContainerError CopyInKernel(const FileHandle& from, std::uint64_t offset, const FileHandle& to,
                            std::uint64_t length, std::uint64_t& copied) {
    copied = CloneBlocks(Descriptor(from), offset, Descriptor(to), length);
    copied += CopyFileRange(Descriptor(from), offset + copied, Descriptor(to), length - copied);
    return ContainerError::None;
}
void StartWriteBack(const FileHandle& handle, std::uint64_t offset, std::uint64_t length) {
    (void)::sync_file_range(Descriptor(handle), static_cast<off64_t>(offset),
                            static_cast<off64_t>(length), SYNC_FILE_RANGE_WRITE);
}
#else
void StartWriteBack(const FileHandle&, std::uint64_t, std::uint64_t) {}

// Other systems have no copy of a range between open files; the caller's buffer does it.
ContainerError CopyInKernel(const FileHandle&, std::uint64_t, const FileHandle&, std::uint64_t,
                            std::uint64_t& copied) {
    copied = 0;
    return ContainerError::None;
}
#endif

void CloseHandle(std::intptr_t native) {
    ::close(static_cast<int>(native));
}

namespace {

constexpr int kUniqueNameAttempts = 64;

std::string DescriptorLink(int descriptor) {
    return "/proc/self/fd/" + std::to_string(descriptor);
}

// A pending file is held under an advisory lock while it is written, so that a conversion
// that finds it can tell a live one's file from one that a dead process left behind. Only
// another holder refuses the lock; a file system without locks holds nothing, and there no
// file is ever taken for abandoned.
bool Hold(int descriptor) {
    return ::flock(descriptor, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK;
}

bool TakeOver(int descriptor) {
    return ::flock(descriptor, LOCK_EX | LOCK_NB) == 0;
}

bool IsSameInode(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether the name still leads to the open file: a conversion cleaning up may have taken
// it for an abandoned one in the moment between its creation and its lock.
bool NameLeadsTo(const std::filesystem::path& name, int descriptor) {
    struct stat named {};
    struct stat open {};
    return ::stat(name.c_str(), &named) == 0 && ::fstat(descriptor, &open) == 0 &&
           IsSameInode(named, open);
}

// Where the kernel offers files without a name (O_TMPFILE), a killed process leaves
// nothing behind. Such a file can only be given its name through /proc, so it is used only
// where /proc shows it: otherwise the package would be written in full and then fail.
ContainerError CreateNameless(const std::filesystem::path& folder, FileHandle& handle,
                              bool& supported) {
    supported = false;
#ifdef O_TMPFILE
    const int descriptor = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        supported = errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL;
        return errno == EACCES ? ContainerError::AccessDenied : ContainerError::OpenFailed;
    }
    FileHandle nameless(descriptor);
    struct stat status {};
    if (::stat(DescriptorLink(descriptor).c_str(), &status) != 0 || !Hold(descriptor)) {
        return ContainerError::OpenFailed;
    }
    supported = true;
    handle = std::move(nameless);
    return ContainerError::None;
#else
    (void)folder;
    (void)handle;
    return ContainerError::OpenFailed;
#endif
}

// Gives the open file a fresh name in the folder: by linking a nameless file, or by
// creating a named one, held at once.
ContainerError TakeFreshName(const std::filesystem::path& folder, FileHandle& handle,
                             std::filesystem::path& name) {
    for (int attempt = 0; attempt < kUniqueNameAttempts; ++attempt) {
        std::filesystem::path candidate = TemporaryNameIn(folder);
        if (handle.IsOpen()) {
            if (::linkat(AT_FDCWD, DescriptorLink(Descriptor(handle)).c_str(), AT_FDCWD,
                         candidate.c_str(), AT_SYMLINK_FOLLOW) == 0) {
                name = std::move(candidate);
                return ContainerError::None;
            }
        } else {
            FileHandle created(
                ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
            if (created.IsOpen() && Hold(Descriptor(created)) &&
                NameLeadsTo(candidate, Descriptor(created))) {
                handle = std::move(created);
                name = std::move(candidate);
                return ContainerError::None;
            }
            if (created.IsOpen()) {
                continue; // taken by a cleanup in passing: try another name
            }
        }
        if (errno != EEXIST) {
            return errno == EACCES                                 ? ContainerError::AccessDenied
                   : IsDiskFull(static_cast<std::uint32_t>(errno)) ? ContainerError::DiskFull
                                                                   : ContainerError::OpenFailed;
        }
    }
    return ContainerError::WriteFailed;
}

// The new file takes the old one's permission bits and, where this process may set them,
// its owner and group, so that replacing a package never widens who may read or change it.
// Owner first: changing it clears the set-id bits that the mode then restores.
void TakeProtectionOf(const std::filesystem::path& target, int descriptor) {
    struct stat old {};
    if (::stat(target.c_str(), &old) != 0) {
        return;
    }
    if (::fchown(descriptor, old.st_uid, old.st_gid) != 0 &&
        ::fchown(descriptor, static_cast<uid_t>(-1), old.st_gid) != 0) {
        // Neither may be given away: the package stays the user's, as a new one would be.
    }
    (void)::fchmod(descriptor, old.st_mode & 07777);
}

// A file system may report a failed write only when the data is flushed or the file closed
// (NFS, SMB, XFS on a failing disk). Closing a duplicate runs the same flush and reports its
// error, while the descriptor itself, and with it the lock, stays until the file is in place.
ContainerError MakeDurable(int descriptor) {
    if (::fsync(descriptor) != 0) {
        return WriteErrorFromErrno();
    }
    const int duplicate = ::dup(descriptor);
    if (duplicate < 0 || ::close(duplicate) != 0) {
        return WriteErrorFromErrno();
    }
    return ContainerError::None;
}

// The rename itself reaches the disk only with its folder. A file system that cannot flush a
// folder (EINVAL) keeps its names by other means; any other failure comes after the package
// has replaced the old one, so there is nothing left to keep and the package stands.
void FlushFolder(const std::filesystem::path& folder) {
    const FileHandle directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.IsOpen()) {
        (void)::fsync(Descriptor(directory));
    }
}

} // namespace

ContainerError CreatePending(const std::filesystem::path& folder, FileHandle& handle,
                             std::filesystem::path& name) {
    bool supported = false;
    const ContainerError error = CreateNameless(folder, handle, supported);
    if (supported || error == ContainerError::AccessDenied) {
        return error;
    }
    return TakeFreshName(folder, handle, name);
}

ContainerError PublishPending(FileHandle& handle, std::filesystem::path& name,
                              const std::filesystem::path& target, std::uint32_t& systemError) {
    TakeProtectionOf(target, Descriptor(handle));
    ContainerError error = MakeDurable(Descriptor(handle));
    if (!Failed(error) && name.empty()) {
        error = TakeFreshName(FolderOf(target), handle, name);
    }
    if (Failed(error)) {
        systemError = LastSystemError();
        return error;
    }
    if (::rename(name.c_str(), target.c_str()) != 0) {
        systemError = LastSystemError();
        return IsDiskFull(systemError) ? ContainerError::DiskFull : ContainerError::AccessDenied;
    }
    FlushFolder(FolderOf(target));
    return ContainerError::None;
}

void DiscardPending(FileHandle& handle, const std::filesystem::path& name) {
    if (!name.empty()) {
        ::unlink(name.c_str());
    }
    handle.Close();
}

// Taking the lock proves that no live conversion holds the file; the name must still lead
// to the file that was locked, or another conversion's new file could be removed.
void RemoveIfAbandoned(const std::filesystem::path& pendingFile) {
    const FileHandle file(
        ::open(pendingFile.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.IsOpen() && TakeOver(Descriptor(file)) && NameLeadsTo(pendingFile, Descriptor(file))) {
        ::unlink(pendingFile.c_str());
    }
}

} // namespace installer_db::platform_file

namespace installer_db {

// A package that nobody may write to (mode 0444) is refused as Kestrow.exe refuses a
// read-only one, even to root; one that this user may not write to is refused too.
bool CanReplace(const std::filesystem::path& path, std::uint32_t& systemError) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) {
        return true;
    }
    if (S_ISDIR(status.st_mode)) {
        systemError = EISDIR;
        return false;
    }
    if (S_ISREG(status.st_mode) &&
        ((status.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0)) {
        systemError = EACCES;
        return false;
    }
    return true;
}

bool IsDiskFull(std::uint32_t systemError) {
    return systemError == ENOSPC || systemError == EDQUOT;
}

bool IsSameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    struct stat first {};
    struct stat second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

} // namespace installer_db
