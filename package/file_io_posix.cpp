#include "file_io.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

ErrorCode CreateExclusive(const std::filesystem::path& path, FileHandle& handle, bool& exists) {
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    exists = descriptor < 0 && errno == EEXIST;
    if (descriptor < 0) {
        return errno == EACCES ? kAccessDenied : kOpenFailed;
    }
    handle = FileHandle(descriptor);
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

// Within one file system the kernel moves the pages itself, as cp does; where it refuses
// (another file system, an old kernel) the caller copies what is left through a buffer,
// and meets any real failure, such as a full disk, there.
ErrorCode CopyInKernel(const FileHandle& from, std::uint64_t offset, const FileHandle& to,
                       std::uint64_t length, std::uint64_t& copied) {
    copied = 0;
    auto position = static_cast<off_t>(offset);
    while (copied < length) {
        const ssize_t moved = ::copy_file_range(Descriptor(from), &position, Descriptor(to),
                                                nullptr, length - copied, 0);
        if (moved < 0 && errno == EINTR) {
            continue;
        }
        if (moved <= 0) {
            break;
        }
        copied += static_cast<std::uint64_t>(moved);
    }
    return kSuccess;
}

void CloseHandle(std::intptr_t native) {
    ::close(static_cast<int>(native));
}

ErrorCode MoveReplacing(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (::rename(from.c_str(), to.c_str()) != 0) {
        return errno == EACCES || errno == EPERM ? kAccessDenied : kFunctionFailed;
    }
    return kSuccess;
}

void Remove(const std::filesystem::path& path) {
    ::unlink(path.c_str());
}

} // namespace installer_db::platform_file
