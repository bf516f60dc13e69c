#include "byte_source.h"

#include <algorithm>

namespace installer_db {

ErrorCode ByteSource::CopyTo(PendingFile& output, std::uint64_t length,
                             std::span<std::byte> buffer) {
    while (length > 0) {
        const std::span<std::byte> chunk =
            buffer.first(static_cast<std::size_t>(std::min<std::uint64_t>(length, buffer.size())));
        if (const ErrorCode error = Read(chunk)) {
            return error;
        }
        if (const ErrorCode error = output.Write(chunk)) {
            return error;
        }
        length -= chunk.size();
    }
    return kSuccess;
}

ErrorCode MemoryByteSource::Read(std::span<std::byte> buffer) {
    if (buffer.size() > bytes_.size() - position_) {
        return kFunctionFailed;
    }
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(position_), buffer.size(),
                buffer.begin());
    position_ += buffer.size();
    return kSuccess;
}

ErrorCode FileByteSource::Read(std::span<std::byte> buffer) {
    if (const ErrorCode error = file_.ReadAt(position_, buffer)) {
        return error;
    }
    position_ += buffer.size();
    return kSuccess;
}

ErrorCode FileByteSource::CopyTo(PendingFile& output, std::uint64_t length,
                                 std::span<std::byte> buffer) {
    std::uint64_t copied = 0;
    if (const ErrorCode error = output.AppendFrom(file_, position_, length, copied)) {
        return error;
    }
    position_ += copied;
    return ByteSource::CopyTo(output, length - copied, buffer);
}

} // namespace installer_db
