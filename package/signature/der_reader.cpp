#include "der_reader.h"

namespace kestrow::signature {

namespace {

constexpr std::uint8_t kHighTagNumber = 0x1F;
constexpr std::uint8_t kLongLength = 0x80;
// Four length bytes reach 4 GiB, more than any input here holds.
constexpr std::size_t kLengthBytesLimit = 4;

std::uint8_t ByteAt(std::span<const std::byte> bytes, std::size_t index) {
    return std::to_integer<std::uint8_t>(bytes[index]);
}

// The contents' length and where they start; false for an indefinite or oversized length.
bool ReadLength(std::span<const std::byte> bytes, std::size_t& length, std::size_t& headerSize) {
    if (bytes.size() < 2) {
        return false;
    }
    const std::uint8_t first = ByteAt(bytes, 1);
    if ((first & kLongLength) == 0) {
        length = first;
        headerSize = 2;
        return true;
    }
    const std::size_t lengthBytes = first & ~kLongLength;
    if (lengthBytes == 0 || lengthBytes > kLengthBytesLimit || bytes.size() < 2 + lengthBytes) {
        return false;
    }
    length = 0;
    for (std::size_t i = 0; i < lengthBytes; ++i) {
        length = (length << 8) | ByteAt(bytes, 2 + i);
    }
    headerSize = 2 + lengthBytes;
    return true;
}

} // namespace

bool DerReader::Next(DerElement& element) {
    std::size_t length = 0;
    std::size_t headerSize = 0;
    if (rest_.empty() || (ByteAt(rest_, 0) & kHighTagNumber) == kHighTagNumber ||
        !ReadLength(rest_, length, headerSize) || length > rest_.size() - headerSize) {
        return false;
    }
    element.tag = ByteAt(rest_, 0);
    element.encoding = rest_.first(headerSize + length);
    element.contents = element.encoding.subspan(headerSize);
    rest_ = rest_.subspan(element.encoding.size());
    return true;
}

bool DerReader::Next(std::uint8_t tag, DerElement& element) {
    DerReader ahead = *this;
    DerElement next;
    if (!ahead.Next(next) || next.tag != tag) {
        return false;
    }
    *this = ahead;
    element = next;
    return true;
}

bool DerReader::Enter(const DerElement& element, DerReader& inner) const {
    if (depth_ + 1 > kDepthLimit) {
        return false;
    }
    inner = DerReader(element.contents, depth_ + 1);
    return true;
}

} // namespace kestrow::signature
