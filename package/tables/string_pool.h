#pragma once

// The database's shared strings (_StringPool and _StringData): each id names a string
// of code-page bytes and counts the table cells that refer to it; id 0 is the null string.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "installer_error.h"

namespace installer_db {

class StringPool {
public:
    // A pool that does not add up gives kInstallPackageInvalid. Both streams may be empty.
    static ErrorCode Parse(std::span<const std::byte> pool, std::span<const std::byte> data,
                           StringPool& result);

    std::uint32_t CodePage() const { return header_ & 0x7FFFFFFF; }
    // Bytes per string reference in table streams: 3 when the pool says so, else 2.
    unsigned ReferenceWidth() const { return (header_ & 0x80000000) != 0 ? 3 : 2; }

    std::optional<std::uint32_t> Find(std::string_view bytes) const;
    // The string of an id; id 0 and unused ids give nothing.
    std::optional<std::string_view> Lookup(std::uint32_t id) const;
    // Counts one more reference to the string, adding it when new. Fails with
    // kFunctionFailed when a count or the id range would overflow.
    ErrorCode AddReference(std::string_view bytes, std::uint32_t& id);
    ErrorCode ReleaseReference(std::uint32_t id);
    // Counts each id once for every time it is listed, instead of the counts as stored; a
    // string that is not listed goes. An id the pool does not hold gives
    // kInstallPackageInvalid, a count past the largest kFunctionFailed.
    ErrorCode Recount(std::span<const std::uint32_t> ids);

    void Serialize(std::vector<std::byte>& pool, std::vector<std::byte>& data) const;

private:
    struct Entry {
        std::string bytes;
        std::uint16_t references = 0;
    };

    std::uint32_t MaxId() const;

    std::uint32_t header_ = 0;
    std::vector<Entry> entries_; // index = id; entry 0 unused
};

} // namespace installer_db
