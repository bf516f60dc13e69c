#pragma once

// Bytes that can be read at any offset: an open file, or a database the program carries
// in its own image.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "container_error.h"

namespace installer_db {

class ReadableBytes {
public:
    virtual ~ReadableBytes() = default;
    // Fills the whole buffer from the offset; bytes too few for it are a failure.
    virtual ContainerError ReadAt(std::uint64_t offset, std::span<std::byte> buffer) const = 0;
    virtual ContainerError QuerySize(std::uint64_t& size) const = 0;
};

// Borrows the bytes; they must outlive it.
class MemoryBytes final : public ReadableBytes {
public:
    explicit MemoryBytes(std::span<const std::byte> bytes) : bytes_(bytes) {}

    ContainerError ReadAt(std::uint64_t offset, std::span<std::byte> buffer) const override {
        if (offset > bytes_.size() || buffer.size() > bytes_.size() - offset) {
            return ContainerError::ReadFailed;
        }
        std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(offset), buffer.size(),
                    buffer.begin());
        return ContainerError::None;
    }

    ContainerError QuerySize(std::uint64_t& size) const override {
        size = bytes_.size();
        return ContainerError::None;
    }

private:
    std::span<const std::byte> bytes_;
};

} // namespace installer_db
