#pragma once

// A small reader of DER, the encoding of certificates and signatures: one element after
// another inside a span of bytes, each length checked against the span that holds it. Only
// definite lengths and one-byte tags, which is all DER ever needs; anything else is refused.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace kestrow::signature {

namespace der {
constexpr std::uint8_t kInteger = 0x02;
constexpr std::uint8_t kOctetString = 0x04;
constexpr std::uint8_t kObjectIdentifier = 0x06;
constexpr std::uint8_t kSequence = 0x30;
constexpr std::uint8_t kSet = 0x31;
// A context tag, [number], constructed or not.
constexpr std::uint8_t ContextTag(unsigned number, bool constructed) {
    return static_cast<std::uint8_t>(0x80 | (constructed ? 0x20 : 0) | number);
}

// Whether the bytes are these, as in comparing an object identifier's contents.
inline bool SameBytes(std::span<const std::byte> bytes, std::string_view expected) {
    const auto same = [](std::byte byte, char character) {
        return std::to_integer<char>(byte) == character;
    };
    return bytes.size() == expected.size() &&
           std::equal(bytes.begin(), bytes.end(), expected.begin(), same);
}
} // namespace der

struct DerElement {
    std::uint8_t tag = 0;
    std::span<const std::byte> contents;
    std::span<const std::byte> encoding; // tag, length and contents: what two names compare by
};

class DerReader {
public:
    // Elements nested deeper than this are refused, so that no input leads a caller far.
    static constexpr unsigned kDepthLimit = 16;

    DerReader() = default;
    explicit DerReader(std::span<const std::byte> bytes) : rest_(bytes) {}

    bool AtEnd() const { return rest_.empty(); }

    // The next element, whatever its tag; false, reading nothing, when its tag or length
    // is malformed or runs past the span.
    bool Next(DerElement& element);
    // The next element only when it has this tag; false, reading nothing, otherwise.
    bool Next(std::uint8_t tag, DerElement& element);
    // Passes over the next element when it has this tag.
    bool Skip(std::uint8_t tag) {
        DerElement skipped;
        return Next(tag, skipped);
    }

    // A reader of an element's contents, one level deeper: of a constructed element, or of
    // an octet string that wraps DER. False beyond the depth limit.
    bool Enter(const DerElement& element, DerReader& inner) const;

private:
    DerReader(std::span<const std::byte> bytes, unsigned depth) : rest_(bytes), depth_(depth) {}

    std::span<const std::byte> rest_;
    unsigned depth_ = 0;
};

} // namespace kestrow::signature
