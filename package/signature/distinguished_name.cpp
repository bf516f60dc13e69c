#include "distinguished_name.h"

#include <array>
#include <cstdint>
#include <limits>
#include <string_view>
#include <vector>

#include "der_reader.h"
#include "utf8_encoding.h"

namespace kestrow::signature {

namespace {

using namespace std::string_view_literals;
using CodePoints = std::u32string;

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kLargestCodePoint = 0x10FFFF;

struct AttributeName {
    std::string_view identifier; // the object identifier's DER contents
    std::string_view shortName;
};

constexpr std::array kAttributeNames = {
    AttributeName{"\x55\x04\x03"sv, "CN"},
    AttributeName{"\x55\x04\x0A"sv, "O"},
    AttributeName{"\x55\x04\x0B"sv, "OU"},
    AttributeName{"\x55\x04\x07"sv, "L"},
    AttributeName{"\x55\x04\x08"sv, "ST"},
    AttributeName{"\x55\x04\x06"sv, "C"},
    AttributeName{"\x2A\x86\x48\x86\xF7\x0D\x01\x09\x01"sv, "E"},
    AttributeName{"\x55\x04\x05"sv, "SERIALNUMBER"},
    AttributeName{"\x09\x92\x26\x89\x93\xF2\x2C\x64\x01\x19"sv, "DC"},
};

namespace tag {
constexpr std::uint8_t kUtf8String = 0x0C;
constexpr std::uint8_t kPrintableString = 0x13;
constexpr std::uint8_t kTeletexString = 0x14;
constexpr std::uint8_t kIa5String = 0x16;
constexpr std::uint8_t kBmpString = 0x1E;
} // namespace tag

std::uint8_t ByteAt(std::span<const std::byte> bytes, std::size_t index) {
    return std::to_integer<std::uint8_t>(bytes[index]);
}

void AppendHexByte(std::uint8_t value, std::string& text) {
    constexpr std::string_view kDigits = "0123456789ABCDEF";
    text += kDigits[value >> 4];
    text += kDigits[value & 0x0F];
}

// The identifier as numbers and dots; false when an arc is unterminated or beyond 64 bits.
bool AppendDottedIdentifier(std::span<const std::byte> identifier, std::string& text) {
    if (identifier.empty() || (ByteAt(identifier, identifier.size() - 1) & 0x80) != 0) {
        return false;
    }
    std::uint64_t arc = 0;
    bool first = true;
    for (std::size_t i = 0; i < identifier.size(); ++i) {
        if (arc > std::numeric_limits<std::uint64_t>::max() >> 7) {
            return false;
        }
        arc = (arc << 7) | (ByteAt(identifier, i) & 0x7F);
        if ((ByteAt(identifier, i) & 0x80) != 0) {
            continue;
        }
        if (first) {
            // The first number holds the first two arcs: 40 times the first (0, 1 or 2) plus
            // the second.
            const std::uint64_t top = arc < 80 ? arc / 40 : 2;
            text += std::to_string(top);
            text += '.';
            text += std::to_string(arc - 40 * top);
            first = false;
        } else {
            text += '.';
            text += std::to_string(arc);
        }
        arc = 0;
    }
    return true;
}

bool AppendAttributeType(std::span<const std::byte> identifier, std::string& text) {
    for (const AttributeName& name : kAttributeNames) {
        if (der::SameBytes(identifier, name.identifier)) {
            text += name.shortName;
            return true;
        }
    }
    return AppendDottedIdentifier(identifier, text);
}

bool IsSurrogate(char32_t point) {
    return point >= 0xD800 && point <= 0xDFFF;
}

CodePoints FromLatin1(std::span<const std::byte> bytes) {
    CodePoints points;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        points += ByteAt(bytes, i);
    }
    return points;
}

CodePoints FromUtf16BigEndian(std::span<const std::byte> bytes) {
    CodePoints points;
    const auto unitAt = [&](std::size_t i) -> char32_t {
        return (ByteAt(bytes, 2 * i) << 8) | ByteAt(bytes, 2 * i + 1);
    };
    const std::size_t units = bytes.size() / 2;
    for (std::size_t i = 0; i < units; ++i) {
        const char32_t unit = unitAt(i);
        const bool pairs = unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units &&
                           unitAt(i + 1) >= 0xDC00 && unitAt(i + 1) <= 0xDFFF;
        if (pairs) {
            points += 0x10000 + ((unit - 0xD800) << 10) + (unitAt(++i) - 0xDC00);
        } else {
            points += IsSurrogate(unit) ? kReplacement : unit;
        }
    }
    if (bytes.size() % 2 != 0) {
        points += kReplacement;
    }
    return points;
}

// How many continuation bytes a lead byte announces, its bits, and the least code point that
// may take that many: a stray or unused lead byte asks for more than any code point.
struct Utf8Lead {
    std::size_t following = 0;
    char32_t bits = 0;
    char32_t least = 0;
};

Utf8Lead LeadOf(std::uint8_t lead) {
    if (lead < 0x80) {
        return {0, lead, 0};
    }
    if (lead >= 0xC0 && lead < 0xE0) {
        return {1, lead & 0x1Fu, 0x80};
    }
    if (lead >= 0xE0 && lead < 0xF0) {
        return {2, lead & 0x0Fu, 0x800};
    }
    if (lead >= 0xF0 && lead < 0xF8) {
        return {3, lead & 0x07u, 0x10000};
    }
    return {0, lead, kLargestCodePoint + 1};
}

// Each malformed sequence (stray, overlong, surrogate, cut short, out of range) becomes U+FFFD.
CodePoints FromUtf8(std::span<const std::byte> bytes) {
    CodePoints points;
    for (std::size_t i = 0; i < bytes.size();) {
        const Utf8Lead lead = LeadOf(ByteAt(bytes, i));
        char32_t point = lead.bits;
        std::size_t taken = 1;
        while (taken <= lead.following && i + taken < bytes.size() &&
               (ByteAt(bytes, i + taken) & 0xC0) == 0x80) {
            point = (point << 6) | (ByteAt(bytes, i + taken) & 0x3F);
            ++taken;
        }
        const bool valid = taken == lead.following + 1 && point >= lead.least &&
                           point <= kLargestCodePoint && !IsSurrogate(point);
        points += valid ? point : kReplacement;
        i += taken;
    }
    return points;
}

// What would break the line or turn the text around on a terminal.
bool IsUnprintable(char32_t point) {
    return point < 0x20 || (point >= 0x7F && point <= 0x9F) || point == 0x2028 || point == 0x2029 ||
           (point >= 0x202A && point <= 0x202E) || (point >= 0x2066 && point <= 0x2069);
}

// The characters the text form escapes with a backslash, so that a value cannot pass for
// a separator or another attribute.
bool NeedsBackslash(const CodePoints& points, std::size_t i) {
    constexpr std::u32string_view kReserved = U"\"+,;<>\\";
    const char32_t point = points[i];
    return kReserved.find(point) != std::u32string_view::npos ||
           (i == 0 && (point == U' ' || point == U'#')) ||
           (i + 1 == points.size() && point == U' ');
}

void AppendEscaped(const CodePoints& points, std::string& text) {
    for (std::size_t i = 0; i < points.size(); ++i) {
        if (IsUnprintable(points[i])) {
            std::string bytes;
            installer_db::AppendUtf8(points[i], bytes);
            for (const char byte : bytes) {
                text += '\\';
                AppendHexByte(static_cast<std::uint8_t>(byte), text);
            }
            continue;
        }
        if (NeedsBackslash(points, i)) {
            text += '\\';
        }
        installer_db::AppendUtf8(points[i], text);
    }
}

void AppendValue(const DerElement& value, std::string& text) {
    switch (value.tag) {
    case tag::kUtf8String:
        return AppendEscaped(FromUtf8(value.contents), text);
    case tag::kBmpString:
        return AppendEscaped(FromUtf16BigEndian(value.contents), text);
    case tag::kPrintableString:
    case tag::kIa5String:
    case tag::kTeletexString:
        return AppendEscaped(FromLatin1(value.contents), text);
    default:
        text += '#';
        for (std::size_t i = 0; i < value.encoding.size(); ++i) {
            AppendHexByte(ByteAt(value.encoding, i), text);
        }
    }
}

// One attribute, "type=value".
bool AppendAttribute(DerReader& attributes, std::string& text) {
    DerElement attribute;
    DerElement type;
    DerElement value;
    DerReader fields;
    if (!attributes.Next(der::kSequence, attribute) || !attributes.Enter(attribute, fields) ||
        !fields.Next(der::kObjectIdentifier, type) || !fields.Next(value) ||
        !AppendAttributeType(type.contents, text)) {
        return false;
    }
    text += '=';
    AppendValue(value, text);
    return true;
}

// A relative name, its attributes joined by '+'.
bool RelativeNameText(DerReader& names, std::string& text) {
    DerElement set;
    DerReader attributes;
    if (!names.Next(der::kSet, set) || !names.Enter(set, attributes)) {
        return false;
    }
    do {
        if (!text.empty()) {
            text += '+';
        }
        if (!AppendAttribute(attributes, text)) {
            return false;
        }
    } while (!attributes.AtEnd());
    return true;
}

} // namespace

bool DistinguishedNameText(std::span<const std::byte> name, std::string& text) {
    text.clear();
    DerReader outer(name);
    DerElement sequence;
    DerReader names;
    if (!outer.Next(der::kSequence, sequence) || !outer.Enter(sequence, names)) {
        return false;
    }
    std::vector<std::string> parts;
    while (!names.AtEnd()) {
        if (!RelativeNameText(names, parts.emplace_back())) {
            return false;
        }
    }
    // The encoding holds the most general part first; the text form turns that around.
    for (auto part = parts.rbegin(); part != parts.rend(); ++part) {
        if (!text.empty()) {
            text += ", ";
        }
        text += *part;
    }
    return true;
}

} // namespace kestrow::signature
