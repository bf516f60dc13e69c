#include "file_io.h"

#include <windows.h>

#include <algorithm>

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

ErrorCode WriteErrorFromLastError() {
    const DWORD error = GetLastError();
    return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL ? kDiskFull
                                                                       : kFunctionFailed;
}

} // namespace

ErrorCode OpenForReading(const std::filesystem::path& path, FileHandle& handle) {
    const HANDLE native =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (native == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? kFileNotFound
                                                                              : kOpenFailed;
    }
    handle = Own(native);
    return kSuccess;
}

ErrorCode CreateExclusive(const std::filesystem::path& path, FileHandle& handle, bool& exists) {
    const HANDLE native = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (native == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        exists = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
        return error == ERROR_ACCESS_DENIED ? kAccessDenied : kOpenFailed;
    }
    exists = false;
    handle = Own(native);
    return kSuccess;
}

ErrorCode ReadAt(const FileHandle& handle, std::uint64_t offset, std::span<std::byte> buffer) {
    std::size_t done = 0;
    while (done < buffer.size()) {
        const std::uint64_t position = offset + done;
        OVERLAPPED overlapped{};
        overlapped.Offset = static_cast<DWORD>(position);
        overlapped.OffsetHigh = static_cast<DWORD>(position >> 32);
        const DWORD wanted =
            static_cast<DWORD>(std::min<std::size_t>(buffer.size() - done, kLargestTransfer));
        DWORD got = 0;
        if (!ReadFile(Native(handle), buffer.data() + done, wanted, &got, &overlapped) ||
            got == 0) {
            return kFunctionFailed;
        }
        done += got;
    }
    return kSuccess;
}

ErrorCode QuerySize(const FileHandle& handle, std::uint64_t& size) {
    LARGE_INTEGER value{};
    if (!GetFileSizeEx(Native(handle), &value)) {
        return kFunctionFailed;
    }
    size = static_cast<std::uint64_t>(value.QuadPart);
    return kSuccess;
}

ErrorCode WriteAll(const FileHandle& handle, std::span<const std::byte> bytes) {
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
    return kSuccess;
}

// Windows has no copy between open files inside the kernel; the caller's buffer does it.
ErrorCode CopyInKernel(const FileHandle&, std::uint64_t, const FileHandle&, std::uint64_t,
                       std::uint64_t& copied) {
    copied = 0;
    return kSuccess;
}

void CloseHandle(std::intptr_t native) {
    ::CloseHandle(reinterpret_cast<HANDLE>(native));
}

ErrorCode MoveReplacing(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (!MoveFileExW(from.c_str(), to.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return GetLastError() == ERROR_ACCESS_DENIED ? kAccessDenied : kFunctionFailed;
    }
    return kSuccess;
}

void Remove(const std::filesystem::path& path) {
    DeleteFileW(path.c_str());
}

} // namespace installer_db::platform_file
