#include "string_pool.h"

#include "byte_order.h"

namespace installer_db {

namespace {

// A string of 64 KiB or more takes two pool slots under one id: a first slot (0, high
// half of the length), then (low half of the length, reference count).
constexpr std::size_t kLongStringLength = 0x10000;
constexpr std::uint16_t kMaxReferences = 0xFFFF;

void AppendU16(std::vector<std::byte>& bytes, std::uint32_t value) {
    bytes.push_back(static_cast<std::byte>(value & 0xFF));
    bytes.push_back(static_cast<std::byte>((value >> 8) & 0xFF));
}

} // namespace

ErrorCode StringPool::Parse(std::span<const std::byte> pool, std::span<const std::byte> data,
                            StringPool& result) {
    result = StringPool{};
    result.entries_.emplace_back();
    if (pool.size() % 4 != 0) {
        return kInstallPackageInvalid;
    }
    if (pool.size() >= 4) {
        result.header_ = LoadU32(pool, 0);
    }
    std::size_t offset = 0;
    for (std::size_t slot = 1; slot < pool.size() / 4; ++slot) {
        std::size_t length = LoadU16(pool, 4 * slot);
        std::uint16_t references = LoadU16(pool, 4 * slot + 2);
        if (length == 0 && references != 0) {
            if (++slot >= pool.size() / 4) {
                return kInstallPackageInvalid;
            }
            length = (std::size_t{references} << 16) | LoadU16(pool, 4 * slot);
            references = LoadU16(pool, 4 * slot + 2);
        }
        if (length > data.size() - offset) {
            return kInstallPackageInvalid;
        }
        const auto* text = reinterpret_cast<const char*>(data.data() + offset);
        result.entries_.push_back({std::string(text, length), references});
        offset += length;
    }
    return offset == data.size() ? kSuccess : kInstallPackageInvalid;
}

std::optional<std::uint32_t> StringPool::Find(std::string_view bytes) const {
    for (std::size_t id = 1; id < entries_.size(); ++id) {
        if (entries_[id].references > 0 && entries_[id].bytes == bytes) {
            return static_cast<std::uint32_t>(id);
        }
    }
    return std::nullopt;
}

std::optional<std::string_view> StringPool::Lookup(std::uint32_t id) const {
    if (id == 0 || id >= entries_.size() || entries_[id].bytes.empty()) {
        return std::nullopt;
    }
    return entries_[id].bytes;
}

std::uint32_t StringPool::MaxId() const {
    return ReferenceWidth() == 3 ? 0xFFFFFF : 0xFFFF;
}

ErrorCode StringPool::AddReference(std::string_view bytes, std::uint32_t& id) {
    if (bytes.empty()) {
        id = 0;
        return kSuccess;
    }
    if (const std::optional<std::uint32_t> existing = Find(bytes)) {
        if (entries_[*existing].references == kMaxReferences) {
            return kFunctionFailed;
        }
        ++entries_[*existing].references;
        id = *existing;
        return kSuccess;
    }
    for (std::size_t free = 1; free < entries_.size(); ++free) {
        if (entries_[free].references == 0 && entries_[free].bytes.empty()) {
            entries_[free] = {std::string(bytes), 1};
            id = static_cast<std::uint32_t>(free);
            return kSuccess;
        }
    }
    // Widening references would change the layout of every table: not supported here.
    if (entries_.size() > MaxId()) {
        return kFunctionFailed;
    }
    entries_.push_back({std::string(bytes), 1});
    id = static_cast<std::uint32_t>(entries_.size() - 1);
    return kSuccess;
}

ErrorCode StringPool::ReleaseReference(std::uint32_t id) {
    if (id == 0) {
        return kSuccess;
    }
    if (id >= entries_.size() || entries_[id].references == 0) {
        return kFunctionFailed;
    }
    if (--entries_[id].references == 0) {
        entries_[id].bytes.clear();
    }
    return kSuccess;
}

ErrorCode StringPool::Recount(std::span<const std::uint32_t> ids) {
    for (Entry& entry : entries_) {
        entry.references = 0;
    }
    for (const std::uint32_t id : ids) {
        if (id == 0) {
            continue;
        }
        if (id >= entries_.size() || entries_[id].bytes.empty()) {
            return kInstallPackageInvalid;
        }
        if (entries_[id].references == kMaxReferences) {
            return kFunctionFailed;
        }
        ++entries_[id].references;
    }
    for (Entry& entry : entries_) {
        if (entry.references == 0) {
            entry.bytes.clear();
        }
    }
    return kSuccess;
}

void StringPool::Serialize(std::vector<std::byte>& pool, std::vector<std::byte>& data) const {
    pool.clear();
    data.clear();
    AppendU16(pool, header_ & 0xFFFF);
    AppendU16(pool, header_ >> 16);
    for (std::size_t id = 1; id < entries_.size(); ++id) {
        const Entry& entry = entries_[id];
        const std::size_t length = entry.bytes.size();
        if (length >= kLongStringLength) {
            AppendU16(pool, 0);
            AppendU16(pool, static_cast<std::uint32_t>(length >> 16));
        }
        AppendU16(pool, static_cast<std::uint32_t>(length & 0xFFFF));
        AppendU16(pool, entry.references);
        if (length > 0) {
            const auto* bytes = reinterpret_cast<const std::byte*>(entry.bytes.data());
            data.insert(data.end(), bytes, bytes + length);
        }
    }
}

} // namespace installer_db
