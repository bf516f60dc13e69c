#include "file_io.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
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

ErrorCode WriteErrorFromErrno() {
    return errno == ENOSPC ? kDiskFull : kFunctionFailed;
}

} // namespace

ErrorCode OpenForReading(const std::filesystem::path& path, FileHandle& handle) {
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        return errno == ENOENT || errno == ENOTDIR ? kFileNotFound : kOpenFailed;
    }
    handle = FileHandle(descriptor);
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        handle.Close();
        return kOpenFailed;
    }
    return kSuccess;
}

ErrorCode ReadAt(const FileHandle& handle, std::uint64_t offset, std::span<std::byte> buffer) {
    std::size_t done = 0;
    while (done < buffer.size()) {
        const ssize_t got = ::pread(Descriptor(handle), buffer.data() + done, buffer.size() - done,
                                    static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return kFunctionFailed;
        }
        done += static_cast<std::size_t>(got);
    }
    return kSuccess;
}

ErrorCode QuerySize(const FileHandle& handle, std::uint64_t& size) {
    struct stat status {};
    if (::fstat(Descriptor(handle), &status) != 0) {
        return kFunctionFailed;
    }
    size = static_cast<std::uint64_t>(status.st_size);
    return kSuccess;
}

ErrorCode WriteAll(const FileHandle& handle, std::span<const std::byte> bytes) {
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
    return kSuccess;
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
ErrorCode CopyInKernel(const FileHandle& from, std::uint64_t offset, const FileHandle& to,
                       std::uint64_t length, std::uint64_t& copied) {
    copied = CloneBlocks(Descriptor(from), offset, Descriptor(to), length);
    copied += CopyFileRange(Descriptor(from), offset + copied, Descriptor(to), length - copied);
    return kSuccess;
}
#else
// Other systems have no copy of a range between open files; the caller's buffer does it.
ErrorCode CopyInKernel(const FileHandle&, std::uint64_t, const FileHandle&, std::uint64_t,
                       std::uint64_t& copied) {
    copied = 0;
    return kSuccess;
}
#endif

void CloseHandle(std::intptr_t native) {
    ::close(static_cast<int>(native));
}

namespace {

constexpr int kUniqueNameAttempts = 64;

// Where the kernel offers files without a name (O_TMPFILE), a killed process leaves
// nothing behind; elsewhere (other kernels, some file systems) the file gets a temporary
// name at once, which only an orderly end removes.
ErrorCode CreateNameless(const std::filesystem::path& folder, FileHandle& handle, bool& supported) {
    supported = false;
#ifdef O_TMPFILE
    const int descriptor = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (descriptor >= 0) {
        supported = true;
        handle = FileHandle(descriptor);
        return kSuccess;
    }
    supported = errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL;
    if (supported) {
        return errno == EACCES ? kAccessDenied : kOpenFailed;
    }
#else
    (void)folder;
    (void)handle;
#endif
    return kOpenFailed;
}

// Gives the open file a fresh name in the folder: by linking a nameless file, or by
// creating a named one.
ErrorCode TakeFreshName(const std::filesystem::path& folder, FileHandle& handle,
                        std::filesystem::path& name, std::uint32_t& systemError) {
    for (int attempt = 0; attempt < kUniqueNameAttempts; ++attempt) {
        std::filesystem::path candidate = TemporaryNameIn(folder);
        int result = 0;
        if (handle.IsOpen()) {
            const std::string link = "/proc/self/fd/" + std::to_string(Descriptor(handle));
            result =
                ::linkat(AT_FDCWD, link.c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW);
        } else {
            result = ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (result >= 0) {
                handle = FileHandle(result);
            }
        }
        if (result >= 0) {
            name = std::move(candidate);
            return kSuccess;
        }
        if (errno != EEXIST) {
            systemError = static_cast<std::uint32_t>(errno);
            return errno == EACCES ? kAccessDenied : kOpenFailed;
        }
    }
    return kFunctionFailed;
}

} // namespace

ErrorCode CreatePending(const std::filesystem::path& folder, FileHandle& handle,
                        std::filesystem::path& name) {
    bool supported = false;
    const ErrorCode error = CreateNameless(folder, handle, supported);
    if (supported) {
        return error;
    }
    std::uint32_t ignored = 0;
    return TakeFreshName(folder, handle, name, ignored);
}

ErrorCode PublishPending(FileHandle& handle, std::filesystem::path& name,
                         const std::filesystem::path& target, std::uint32_t& systemError) {
    if (name.empty()) {
        if (const ErrorCode error = TakeFreshName(FolderOf(target), handle, name, systemError)) {
            return error;
        }
    }
    if (::rename(name.c_str(), target.c_str()) != 0) {
        systemError = static_cast<std::uint32_t>(errno);
        return kAccessDenied;
    }
    return kSuccess;
}

void DiscardPending(FileHandle& handle, const std::filesystem::path& name) {
    handle.Close();
    if (!name.empty()) {
        ::unlink(name.c_str());
    }
}

} // namespace installer_db::platform_file

namespace installer_db {

bool CanReplace(const std::filesystem::path& path, std::uint32_t& systemError) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
        systemError = EISDIR;
        return false;
    }
    return true;
}

bool IsSameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    struct stat first {};
    struct stat second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

} // namespace installer_db
