#include "byte_source.h"

#include <algorithm>

namespace installer_db {

ContainerError ByteSource::CopyTo(PendingFile& output, std::uint64_t length,
                                  std::span<std::byte> buffer) {
    while (length > 0) {
        const std::span<std::byte> chunk =
            buffer.first(static_cast<std::size_t>(std::min<std::uint64_t>(length, buffer.size())));
        if (const ContainerError error = Read(chunk); Failed(error)) {
            return error;
        }
        if (const ContainerError error = output.Write(chunk); Failed(error)) {
            return error;
        }
        length -= chunk.size();
    }
    return ContainerError::None;
}

ContainerError MemoryByteSource::Read(std::span<std::byte> buffer) {
    if (buffer.size() > bytes_.size() - position_) {
        return ContainerError::ReadFailed;
    }
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(position_), buffer.size(),
                buffer.begin());
    position_ += buffer.size();
    return ContainerError::None;
}

ContainerError FileByteSource::Read(std::span<std::byte> buffer) {
    if (const ContainerError error = file_.ReadAt(position_, buffer); Failed(error)) {
        return error;
    }
    position_ += buffer.size();
    return ContainerError::None;
}

ContainerError FileByteSource::CopyTo(PendingFile& output, std::uint64_t length,
                                      std::span<std::byte> buffer) {
    std::uint64_t copied = 0;
    if (const ContainerError error = output.AppendFrom(file_, position_, length, copied);
        Failed(error)) {
        return error;
    }
    position_ += copied;
    return ByteSource::CopyTo(output, length - copied, buffer);
}

} // namespace installer_db
