#include "name_uuid.h"

#include <array>
#include <cstddef>
#include <cstdint>

#include "sha1.h"

namespace kestrow {

namespace {

// Chosen once at random for Kestrow; every name-based GUID of its packages depends on it.
constexpr std::array<std::uint8_t, 16> kNamespace = {
    0x8f, 0xd2, 0x36, 0x80, 0xfc, 0xba, 0x40, 0x00, 0xb3, 0xf2, 0x5f, 0x1a, 0xa8, 0xd1, 0x6b, 0xd8};

std::u16string Braced(const std::array<std::uint8_t, 16>& uuid) {
    constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    std::u16string text = u"{";
    for (std::size_t i = 0; i < uuid.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) {
            text += u'-';
        }
        text += kDigits[uuid[i] >> 4];
        text += kDigits[uuid[i] & 0x0F];
    }
    return text + u"}";
}

} // namespace

std::u16string NameBasedGuid(std::u16string_view name) {
    digest::Sha1 sha1;
    sha1.Update(std::as_bytes(std::span(kNamespace)));
    for (const char16_t unit : name) {
        const std::array<std::byte, 2> bytes{std::byte(unit & 0xFF), std::byte(unit >> 8)};
        sha1.Update(bytes);
    }
    const std::array<std::byte, 20> hash = sha1.Finish();
    std::array<std::uint8_t, 16> uuid{};
    for (std::size_t i = 0; i < uuid.size(); ++i) {
        uuid[i] = std::to_integer<std::uint8_t>(hash[i]);
    }
    uuid[6] = static_cast<std::uint8_t>((uuid[6] & 0x0F) | 0x50); // version 5
    uuid[8] = static_cast<std::uint8_t>((uuid[8] & 0x3F) | 0x80); // RFC 4122 variant
    return Braced(uuid);
}

} // namespace kestrow
