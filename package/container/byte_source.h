#pragma once

// Where the bytes of a stream come from when a compound file is written: each source
// hands out its bytes once, front to back, in pieces the writer asks for.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "container_error.h"
#include "file_io.h"

namespace installer_db {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Fills the whole buffer with the next bytes; running out early is a failure.
    virtual ContainerError Read(std::span<std::byte> buffer) = 0;
    // Appends the next length bytes to output, passing them through buffer.
    virtual ContainerError CopyTo(PendingFile& output, std::uint64_t length,
                                  std::span<std::byte> buffer);
};

class MemoryByteSource final : public ByteSource {
public:
    explicit MemoryByteSource(std::vector<std::byte> bytes) : bytes_(std::move(bytes)) {}
    ContainerError Read(std::span<std::byte> buffer) override;

private:
    std::vector<std::byte> bytes_;
    std::size_t position_ = 0;
};

// Reads a file from its start; the file must outlive the source.
class FileByteSource final : public ByteSource {
public:
    explicit FileByteSource(const ReadOnlyFile& file) : file_(file) {}
    ContainerError Read(std::span<std::byte> buffer) override;
    // Lets the platform copy file to file where it can; the buffer takes the rest.
    ContainerError CopyTo(PendingFile& output, std::uint64_t length,
                          std::span<std::byte> buffer) override;

private:
    const ReadOnlyFile& file_;
    std::uint64_t position_ = 0;
};

} // namespace installer_db
