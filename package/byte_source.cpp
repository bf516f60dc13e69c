#include "byte_source.h"

#include <algorithm>

namespace installer_db {

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
    if (const ErrorCode error = file_->ReadAt(position_, buffer)) {
        return error;
    }
    position_ += buffer.size();
    return kSuccess;
}

} // namespace installer_db
