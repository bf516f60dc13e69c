#include "summary_information.h"

#include <algorithm>
#include <iterator>
#include <limits>

#include "byte_order.h"

namespace installer_db {

namespace {

constexpr std::uint16_t kByteOrderMark = 0xFFFE;
// F29F85E0-4FF9-1068-AB91-08002B27B3D9, the summary information's format id, as stored.
constexpr std::array<std::uint8_t, 16> kFormatId = {0xE0, 0x85, 0x9F, 0xF2, 0xF9, 0x4F, 0x68, 0x10,
                                                    0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9};
// The header, the section count, then the one section's format id and offset.
constexpr std::size_t kSectionCountOffset = 24;
constexpr std::size_t kFormatIdOffset = 28;
constexpr std::size_t kSectionOffsetOffset = 44;
constexpr std::size_t kSectionStart = 48;
// A section: its size, its property count, then an (id, offset) pair a property.
constexpr std::size_t kSectionHeaderSize = 8;
constexpr std::size_t kEntrySize = 8;

constexpr std::uint32_t kDictionaryId = 0; // a dictionary of names, no typed value
constexpr std::uint16_t kTypeI2 = 2;
constexpr std::uint16_t kTypeI4 = 3;
constexpr std::uint16_t kTypeString = 30;
constexpr std::uint16_t kTypeFileTime = 64;

std::size_t TableEnd(std::size_t count) {
    return kSectionHeaderSize + kEntrySize * count;
}

std::size_t PaddedToFour(std::size_t size) {
    return (size + 3) & ~std::size_t{3};
}

bool HasFormatId(std::span<const std::byte> stream) {
    return std::ranges::equal(stream.subspan(kFormatIdOffset, kFormatId.size()), kFormatId,
                              [](std::byte stored, std::uint8_t expected) {
                                  return std::to_integer<std::uint8_t>(stored) == expected;
                              });
}

// The bytes of a value of a fixed size, padding included, or nothing for other types.
std::optional<std::size_t> FixedValueSize(std::uint16_t type) {
    switch (type) {
    case kTypeI2: // two bytes, padded to four
    case kTypeI4:
        return 4;
    case kTypeFileTime:
        return 8;
    default:
        return std::nullopt;
    }
}

} // namespace

ErrorCode SummaryInformation::ParseProperty(std::span<const std::byte> section, std::size_t index,
                                            std::size_t count, Property& property) {
    property.id = LoadU32(section, TableEnd(index));
    const std::uint32_t offset = LoadU32(section, TableEnd(index) + 4);
    if (property.id == kDictionaryId || offset < TableEnd(count) || offset % 4 != 0 ||
        offset > section.size() - 4) {
        return kInstallPackageInvalid;
    }
    property.type = LoadU16(section, offset);
    std::span<const std::byte> value = section.subspan(offset + 4);
    std::size_t size = 0;
    if (const auto fixed = FixedValueSize(property.type)) {
        size = *fixed;
    } else if (property.type == kTypeString && value.size() >= 4) {
        size = LoadU32(value, 0);
        value = value.subspan(4);
    } else {
        return kInstallPackageInvalid;
    }
    if (size > value.size() || (property.id == kSummaryCodePage && property.type != kTypeI2)) {
        return kInstallPackageInvalid;
    }
    // A string that is not empty ends with its NUL.
    if (property.type == kTypeString && size > 0 && value[size - 1] != std::byte{0}) {
        return kInstallPackageInvalid;
    }
    property.value.assign(value.begin(), value.begin() + static_cast<std::ptrdiff_t>(size));
    return kSuccess;
}

ErrorCode SummaryInformation::Parse(std::span<const std::byte> stream, SummaryInformation& result) {
    result = SummaryInformation{};
    if (stream.size() < kSectionStart || LoadU16(stream, 0) != kByteOrderMark ||
        LoadU16(stream, 2) > 1 || LoadU32(stream, kSectionCountOffset) != 1 ||
        !HasFormatId(stream)) {
        return kInstallPackageInvalid;
    }
    const std::uint32_t sectionOffset = LoadU32(stream, kSectionOffsetOffset);
    if (sectionOffset < kSectionStart || sectionOffset > stream.size() - kSectionHeaderSize) {
        return kInstallPackageInvalid;
    }
    std::span<const std::byte> section = stream.subspan(sectionOffset);
    const std::uint32_t sectionSize = LoadU32(section, 0);
    const std::uint32_t count = LoadU32(section, 4);
    // Every value is padded to four bytes, and so is the section.
    if (sectionSize < kSectionHeaderSize || sectionSize > section.size() || sectionSize % 4 != 0 ||
        count > (sectionSize - kSectionHeaderSize) / kEntrySize) {
        return kInstallPackageInvalid;
    }
    section = section.first(sectionSize);
    std::copy_n(stream.begin(), result.header_.size(), result.header_.begin());
    // Values that take more room together than the section has overlap: written apart, they
    // would make a stream many times the size of this one.
    std::size_t room = sectionSize - TableEnd(count);
    std::vector<std::uint32_t> ids;
    for (std::size_t index = 0; index < count; ++index) {
        Property property;
        if (const ErrorCode error = ParseProperty(section, index, count, property);
            error != kSuccess) {
            return error;
        }
        if (StoredSize(property) > room) {
            return kInstallPackageInvalid;
        }
        room -= StoredSize(property);
        ids.push_back(property.id);
        result.properties_.push_back(std::move(property));
    }
    std::ranges::sort(ids);
    return std::ranges::adjacent_find(ids) == ids.end() ? kSuccess : kInstallPackageInvalid;
}

std::optional<std::string> SummaryInformation::Text(std::uint32_t id) const {
    const auto property =
        std::ranges::find_if(properties_, [id](const Property& p) { return p.id == id; });
    if (property == properties_.end() || property->type != kTypeString) {
        return std::nullopt;
    }
    const auto end = std::ranges::find(property->value, std::byte{0});
    std::string text;
    std::transform(property->value.begin(), end, std::back_inserter(text),
                   [](std::byte byte) { return std::to_integer<char>(byte); });
    return text;
}

ErrorCode SummaryInformation::SetText(std::uint32_t id, std::string codePageBytes) {
    if (id == kDictionaryId || id == kSummaryCodePage) {
        return kFunctionFailed;
    }
    if (codePageBytes.find('\0') != std::string::npos) {
        return kInvalidParameter;
    }
    Property replacement{id, kTypeString, {}};
    std::transform(codePageBytes.begin(), codePageBytes.end(),
                   std::back_inserter(replacement.value),
                   [](char c) { return static_cast<std::byte>(c); });
    replacement.value.push_back(std::byte{0});

    const auto existing =
        std::ranges::find_if(properties_, [id](const Property& p) { return p.id == id; });
    if (existing != properties_.end() && existing->type != kTypeString) {
        return kFunctionFailed;
    }
    const std::uint64_t removed = existing != properties_.end() ? StoredSize(*existing) : 0;
    const std::uint64_t added =
        StoredSize(replacement) + (existing != properties_.end() ? 0 : kEntrySize);
    if (SectionSize() - removed + added > std::numeric_limits<std::uint32_t>::max()) {
        return kInvalidParameter;
    }
    if (existing != properties_.end()) {
        *existing = std::move(replacement);
    } else {
        // Among the others in id order, as writers store them.
        const auto later =
            std::ranges::find_if(properties_, [id](const Property& p) { return p.id > id; });
        properties_.insert(later, std::move(replacement));
    }
    return kSuccess;
}

std::size_t SummaryInformation::StoredSize(const Property& property) {
    // The type (two bytes, padded to four); a string adds its size and pads its characters.
    return property.type == kTypeString ? 8 + PaddedToFour(property.value.size())
                                        : 4 + property.value.size();
}

std::uint64_t SummaryInformation::SectionSize() const {
    std::uint64_t size = TableEnd(properties_.size());
    for (const Property& property : properties_) {
        size += StoredSize(property);
    }
    return size;
}

std::vector<std::byte> SummaryInformation::Serialize() const {
    const auto sectionSize = static_cast<std::uint32_t>(SectionSize());
    std::vector<std::byte> stream(kSectionStart + sectionSize);
    std::ranges::copy(header_, stream.begin());
    StoreU32(stream, kSectionCountOffset, 1);
    std::ranges::transform(kFormatId, stream.begin() + kFormatIdOffset,
                           [](std::uint8_t byte) { return std::byte{byte}; });
    StoreU32(stream, kSectionOffsetOffset, kSectionStart);

    const std::span<std::byte> section = std::span(stream).subspan(kSectionStart);
    StoreU32(section, 0, sectionSize);
    StoreU32(section, 4, static_cast<std::uint32_t>(properties_.size()));
    std::size_t offset = TableEnd(properties_.size());
    for (std::size_t index = 0; index < properties_.size(); ++index) {
        const Property& property = properties_[index];
        StoreU32(section, TableEnd(index), property.id);
        StoreU32(section, TableEnd(index) + 4, static_cast<std::uint32_t>(offset));
        StoreU16(section, offset, property.type);
        std::size_t valueOffset = offset + 4;
        if (property.type == kTypeString) {
            StoreU32(section, valueOffset, static_cast<std::uint32_t>(property.value.size()));
            valueOffset += 4;
        }
        std::ranges::copy(property.value,
                          section.begin() + static_cast<std::ptrdiff_t>(valueOffset));
        offset += StoredSize(property);
    }
    return stream;
}

} // namespace installer_db
