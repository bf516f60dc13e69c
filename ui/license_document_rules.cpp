#include "license_document_rules.h"

#include <algorithm>

namespace kestrow {

std::int32_t TakeLicensePiece(const std::uint8_t* document, std::int32_t documentSize,
                              std::int32_t& position, std::uint8_t* buffer, std::int32_t capacity) {
    if (document == nullptr || buffer == nullptr || position < 0) {
        return 0;
    }
    const std::int32_t remaining = std::max(documentSize - position, 0);
    const std::int32_t count = std::clamp(capacity, 0, remaining);
    std::copy_n(document + position, count, buffer);
    position += count;
    return count;
}

std::span<const std::uint8_t> LicenseTextToSave(std::span<const std::uint8_t> document) {
    const auto end = std::find(document.begin(), document.end(), std::uint8_t{0});
    return document.first(static_cast<std::size_t>(end - document.begin()));
}

} // namespace kestrow
