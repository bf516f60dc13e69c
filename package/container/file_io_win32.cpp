#include "file_io.h"
#include "marked_publish.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

namespace installer_db::platform_file {

namespace {

// ReadFile and WriteFile take 32-bit counts; big transfers go in pieces of this size.
constexpr DWORD kLargestTransfer = 1u << 30;

HANDLE Native(const FileHandle& handle) {
    return reinterpret_cast<HANDLE>(handle.Native());
}

FileHandle Own(HANDLE native) {
    return FileHandle(reinterpret_cast<std::intptr_t>(native));
}

ContainerError WriteErrorFromLastError() {
    return IsDiskFull(GetLastError()) ? ContainerError::DiskFull : ContainerError::WriteFailed;
}

std::int64_t Ticks(const LARGE_INTEGER& time) {
    return static_cast<std::int64_t>(time.QuadPart);
}

} // namespace

std::uint32_t LastSystemError() {
    return GetLastError();
}

ContainerError OpenForReading(const std::filesystem::path& path, FileHandle& handle) {
    const HANDLE native =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (native == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                   ? ContainerError::NotFound
                   : ContainerError::OpenFailed;
    }
    handle = Own(native);
    return ContainerError::None;
}

// A pipe, a device or a folder may open like a file; the stamp tells them apart. Only a disk
// file that is not a folder is regular.
ContainerError QueryStamp(const FileHandle& handle, FileStamp& stamp) {
    FILE_STANDARD_INFO standard{};
    FILE_BASIC_INFO basic{};
    if (GetFileInformationByHandleEx(Native(handle), FileStandardInfo, &standard,
                                     sizeof standard) == FALSE ||
        GetFileInformationByHandleEx(Native(handle), FileBasicInfo, &basic, sizeof basic) ==
            FALSE) {
        return ContainerError::ReadFailed;
    }
    stamp.regular = GetFileType(Native(handle)) == FILE_TYPE_DISK && standard.Directory == FALSE;
    stamp.size = static_cast<std::uint64_t>(standard.EndOfFile.QuadPart);
    stamp.modified = Ticks(basic.LastWriteTime);
    stamp.changed = Ticks(basic.ChangeTime);
    return ContainerError::None;
}

ContainerError ReadAt(const FileHandle& handle, std::uint64_t offset, std::span<std::byte> buffer) {
    std::size_t done = 0;
    while (done < buffer.size()) {
        const std::uint64_t position = offset + done;
        OVERLAPPED overlapped{};
        overlapped.Offset = static_cast<DWORD>(position);
        overlapped.OffsetHigh = static_cast<DWORD>(position >> 32);
        const DWORD wanted =
            static_cast<DWORD>(std::min<std::size_t>(buffer.size() - done, kLargestTransfer));
        DWORD got = 0;
        if (!ReadFile(Native(handle), buffer.data() + done, wanted, &got, &overlapped)) {
            return ContainerError::ReadFailed;
        }
        if (got == 0) {
            // The file ended before the size it had when it was measured.
            SetLastError(ERROR_HANDLE_EOF);
            return ContainerError::ReadFailed;
        }
        done += got;
    }
    return ContainerError::None;
}

ContainerError QuerySize(const FileHandle& handle, std::uint64_t& size) {
    LARGE_INTEGER value{};
    if (!GetFileSizeEx(Native(handle), &value)) {
        return ContainerError::ReadFailed;
    }
    size = static_cast<std::uint64_t>(value.QuadPart);
    return ContainerError::None;
}

ContainerError WriteAll(const FileHandle& handle, std::span<const std::byte> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD wanted =
            static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, kLargestTransfer));
        DWORD put = 0;
        if (!WriteFile(Native(handle), bytes.data() + done, wanted, &put, nullptr) || put == 0) {
            return WriteErrorFromLastError();
        }
        done += put;
    }
    return ContainerError::None;
}

namespace {

// The system's headers here lack the block-cloning control; its documented values.
constexpr DWORD kDuplicateExtentsToFile = 0x00098344;
constexpr DWORD kSupportsBlockRefcounting = 0x08000000;
struct DuplicateExtentsData {
    HANDLE source;
    LARGE_INTEGER sourceOffset;
    LARGE_INTEGER targetOffset;
    LARGE_INTEGER byteCount;
};

// Offsets and lengths of a clone are multiples of the volume's cluster, which is this size
// by default; a volume with larger clusters refuses the clone and the bytes are copied.
constexpr std::uint64_t kCloneUnit = 4096;

bool SharesClusters(const FileHandle& file) {
    DWORD flags = 0;
    return GetVolumeInformationByHandleW(Native(file), nullptr, 0, nullptr, nullptr, &flags,
                                         nullptr, 0) != FALSE &&
           (flags & kSupportsBlockRefcounting) != 0;
}

bool MoveTo(const FileHandle& file, std::uint64_t position) {
    LARGE_INTEGER distance{};
    distance.QuadPart = static_cast<LONGLONG>(position);
    return SetFilePointerEx(Native(file), distance, nullptr, FILE_BEGIN) != FALSE;
}

} // namespace

// Where the volume shares clusters between files (ReFS, a Dev Drive), the cluster-aligned
// front of the range becomes the installer's own clusters, shared. A clone may not reach
// past the end of the file, so the file is first extended over the range; if the clone is
// then refused, the caller's buffer writes the same range and the length comes out right.
ContainerError CopyInKernel(const FileHandle& from, std::uint64_t offset, const FileHandle& to,
                            std::uint64_t length, std::uint64_t& copied) {
    copied = 0;
    LARGE_INTEGER position{};
    const std::uint64_t aligned = length / kCloneUnit * kCloneUnit;
    if (aligned == 0 || offset % kCloneUnit != 0 || !SharesClusters(to) ||
        SetFilePointerEx(Native(to), LARGE_INTEGER{}, &position, FILE_CURRENT) == FALSE ||
        static_cast<std::uint64_t>(position.QuadPart) % kCloneUnit != 0) {
        return ContainerError::None;
    }
    const std::uint64_t start = static_cast<std::uint64_t>(position.QuadPart);
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = static_cast<LONGLONG>(start + aligned);
    DuplicateExtentsData clone{Native(from), {}, position, {}};
    clone.sourceOffset.QuadPart = static_cast<LONGLONG>(offset);
    clone.byteCount.QuadPart = static_cast<LONGLONG>(aligned);
    DWORD returned = 0;
    if (SetFileInformationByHandle(Native(to), FileEndOfFileInfo, &end, sizeof end) != FALSE &&
        DeviceIoControl(Native(to), kDuplicateExtentsToFile, &clone, sizeof clone, nullptr, 0,
                        &returned, nullptr) != FALSE &&
        MoveTo(to, start + aligned)) {
        copied = aligned;
    }
    return ContainerError::None;
}

// Windows writes a file's data out on its own schedule; FlushFileBuffers at the end waits.
void StartWriteBack(const FileHandle&, std::uint64_t, std::uint64_t) {}

void CloseHandle(std::intptr_t native) {
    ::CloseHandle(reinterpret_cast<HANDLE>(native));
}

namespace {

constexpr int kUniqueNameAttempts = 64;

bool MarkForDeletion(const FileHandle& handle, bool deleteFile) {
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = deleteFile ? TRUE : FALSE;
    return SetFileInformationByHandle(Native(handle), FileDispositionInfo, &disposition,
                                      sizeof disposition) != FALSE;
}

std::uint32_t ErrorUnless(bool done) {
    return done ? 0 : GetLastError();
}

// Renames through the open handle, so that the file that was written is the file that
// takes the name, with no moment where the target is missing.
bool RenameReplacing(const FileHandle& handle, const std::filesystem::path& target) {
    const DWORD fullLength = GetFullPathNameW(target.c_str(), 0, nullptr, nullptr);
    if (fullLength == 0) {
        return false;
    }
    std::wstring fullPath(fullLength, L'\0');
    const DWORD written = GetFullPathNameW(target.c_str(), fullLength, fullPath.data(), nullptr);
    if (written == 0 || written >= fullLength) {
        return false;
    }
    fullPath.resize(written);
    const std::size_t nameBytes = fullPath.size() * sizeof(wchar_t);
    std::vector<std::byte> storage(sizeof(FILE_RENAME_INFO) + nameBytes);
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(storage.data());
    rename->ReplaceIfExists = TRUE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(nameBytes);
    std::copy(fullPath.begin(), fullPath.end(), rename->FileName);
    return SetFileInformationByHandle(Native(handle), FileRenameInfo, rename,
                                      static_cast<DWORD>(storage.size())) != FALSE;
}

} // namespace

// The file is born marked for deletion on close, so that no moment exists where a process
// that dies leaves it behind. That mark cannot be taken back before the rename, so the file
// is written through a second handle, which carries a mark that can, and the first closes.
ContainerError CreatePending(const std::filesystem::path& folder, FileHandle& handle,
                             std::filesystem::path& name) {
    for (int attempt = 0; attempt < kUniqueNameAttempts; ++attempt) {
        std::filesystem::path candidate = TemporaryNameIn(folder);
        const FileHandle birth = Own(CreateFileW(
            candidate.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
            nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
        if (!birth.IsOpen()) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) {
                continue;
            }
            return error == ERROR_ACCESS_DENIED ? ContainerError::AccessDenied
                   : IsDiskFull(error)          ? ContainerError::DiskFull
                                                : ContainerError::OpenFailed;
        }
        handle = Own(CreateFileW(candidate.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                                 FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!handle.IsOpen()) {
            continue; // another conversion took the new file for abandoned and removed it
        }
        if (!MarkForDeletion(handle, true)) {
            handle.Close();
            return ContainerError::WriteFailed;
        }
        name = std::move(candidate);
        return ContainerError::None;
    }
    return ContainerError::WriteFailed;
}

// The pending file already has its name here; only POSIX needs to give it one. Its data
// reaches the disk before it takes the package's name, and a write error that surfaces only
// then (a network share) fails the conversion while the old package still stands.
ContainerError PublishPending(FileHandle& handle, std::filesystem::path& /*name*/,
                              const std::filesystem::path& target, std::uint32_t& systemError) {
    if (!FlushFileBuffers(Native(handle))) {
        systemError = GetLastError();
        return IsDiskFull(systemError) ? ContainerError::DiskFull : ContainerError::WriteFailed;
    }
    const MarkedFileCalls calls{
        [&handle](bool marked) { return ErrorUnless(MarkForDeletion(handle, marked)); },
        [&handle](bool& pending) {
            FILE_STANDARD_INFO standard{};
            const bool read = GetFileInformationByHandleEx(Native(handle), FileStandardInfo,
                                                           &standard, sizeof standard) != FALSE;
            pending = standard.DeletePending != FALSE;
            return ErrorUnless(read);
        },
        [&handle, &target] { return ErrorUnless(RenameReplacing(handle, target)); },
        [](std::chrono::milliseconds pause) { Sleep(static_cast<DWORD>(pause.count())); },
    };
    return PublishMarkedFile(calls, systemError);
}

// Closing removes a file still marked for deletion; the name is removed too, for the one
// case where the mark could not be set again after a refused rename.
void DiscardPending(FileHandle& handle, const std::filesystem::path& name) {
    handle.Close();
    if (!name.empty()) {
        DeleteFileW(name.c_str());
    }
}

// A live conversion's pending file is open for writing without sharing reads, so it cannot
// be opened here; a file that opens belongs to nobody and is removed.
void RemoveIfAbandoned(const std::filesystem::path& pendingFile) {
    const FileHandle file = Own(
        CreateFileW(pendingFile.c_str(), GENERIC_READ | DELETE,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (file.IsOpen()) {
        MarkForDeletion(file, true);
    }
}

} // namespace installer_db::platform_file

namespace installer_db {

bool IsDiskFull(std::uint32_t systemError) {
    return systemError == ERROR_DISK_FULL || systemError == ERROR_HANDLE_DISK_FULL ||
           systemError == ERROR_NOT_ENOUGH_QUOTA;
}

namespace {

bool Identify(const std::filesystem::path& path, BY_HANDLE_FILE_INFORMATION& identity) {
    FileHandle file(reinterpret_cast<std::intptr_t>(
        CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)));
    return file.IsOpen() && GetFileInformationByHandle(platform_file::Native(file), &identity);
}

} // namespace

// A folder, a read-only file, or a file another program holds without letting it be
// deleted cannot be replaced; asking first spares writing a whole package in vain.
bool CanReplace(const std::filesystem::path& path, std::uint32_t& systemError) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return true;
    }
    if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) {
        systemError = ERROR_ACCESS_DENIED;
        return false;
    }
    const FileHandle probe(reinterpret_cast<std::intptr_t>(
        CreateFileW(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)));
    if (!probe.IsOpen()) {
        systemError = GetLastError();
        return systemError == ERROR_FILE_NOT_FOUND;
    }
    return true;
}

bool IsSameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    BY_HANDLE_FILE_INFORMATION first{};
    BY_HANDLE_FILE_INFORMATION second{};
    return Identify(a, first) && Identify(b, second) &&
           first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh &&
           first.nFileIndexLow == second.nFileIndexLow;
}

} // namespace installer_db
