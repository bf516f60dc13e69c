#pragma once

// The database's "\005SummaryInformation" stream, an OLE property set of one section, whose
// string properties (title, author, package code...) the builder replaces. Every other
// property keeps its bytes and the properties their order, so that a stream read and
// written again unchanged keeps its bytes.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "installer_error.h"

namespace installer_db {

inline constexpr std::uint32_t kSummaryCodePage = 1;
inline constexpr std::uint32_t kSummaryTitle = 2;
inline constexpr std::uint32_t kSummarySubject = 3;
inline constexpr std::uint32_t kSummaryAuthor = 4;
inline constexpr std::uint32_t kSummaryRevisionNumber = 9; // the package code

class SummaryInformation {
public:
    // Values are 16-bit and 32-bit integers, strings and file times. Anything that does not
    // add up (offsets, sizes, counts, types) gives kInstallPackageInvalid.
    static ErrorCode Parse(std::span<const std::byte> stream, SummaryInformation& result);

    // Code-page bytes, without the NUL; nothing when the id is absent or holds no string.
    std::optional<std::string> Text(std::uint32_t id) const;
    // Sets or adds a string property. An id that holds another type, as the code page does,
    // gives kFunctionFailed; bytes with a NUL in them, or a stream that would outgrow its
    // 32-bit sizes, kInvalidParameter.
    ErrorCode SetText(std::uint32_t id, std::string codePageBytes);

    std::vector<std::byte> Serialize() const;

private:
    struct Property {
        std::uint32_t id = 0;
        std::uint16_t type = 0;
        // A string's characters with their NUL; any other value as stored, padding included.
        std::vector<std::byte> value;
    };

    static ErrorCode ParseProperty(std::span<const std::byte> section, std::size_t index,
                                   std::size_t count, Property& property);
    static std::size_t StoredSize(const Property& property);
    std::uint64_t SectionSize() const;

    // Byte order, version, system identifier and class identifier, as read.
    std::array<std::byte, 24> header_{};
    std::vector<Property> properties_;
};

} // namespace installer_db
