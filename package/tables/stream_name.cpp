#include "stream_name.h"

namespace installer_db {

namespace {

constexpr char16_t kPairBase = 0x3800;
constexpr char16_t kSingleBase = 0x4800;
constexpr char16_t kTablePrefix = 0x4840;
constexpr int kSetSize = 64;
constexpr char16_t kSet[] = u"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz._";

int IndexInSet(char16_t unit) {
    for (int i = 0; i < kSetSize; ++i) {
        if (kSet[i] == unit) {
            return i;
        }
    }
    return -1;
}

} // namespace

std::u16string EncodeStreamName(std::u16string_view name, StreamKind kind) {
    std::u16string encoded;
    if (kind == StreamKind::Table) {
        encoded.push_back(kTablePrefix);
    }
    for (std::size_t i = 0; i < name.size(); ++i) {
        const int first = IndexInSet(name[i]);
        if (first < 0) {
            encoded.push_back(name[i]);
            continue;
        }
        const int second = i + 1 < name.size() ? IndexInSet(name[i + 1]) : -1;
        if (second < 0) {
            encoded.push_back(static_cast<char16_t>(kSingleBase + first));
            continue;
        }
        encoded.push_back(static_cast<char16_t>(kPairBase + first + kSetSize * second));
        ++i;
    }
    return encoded;
}

DecodedStreamName DecodeStreamName(std::u16string_view encoded) {
    DecodedStreamName decoded;
    if (!encoded.empty() && encoded.front() == kTablePrefix) {
        decoded.kind = StreamKind::Table;
        encoded.remove_prefix(1);
    }
    for (const char16_t unit : encoded) {
        if (unit >= kPairBase && unit < kSingleBase) {
            decoded.name.push_back(kSet[(unit - kPairBase) % kSetSize]);
            decoded.name.push_back(kSet[(unit - kPairBase) / kSetSize]);
        } else if (unit >= kSingleBase && unit < kTablePrefix) {
            decoded.name.push_back(kSet[unit - kSingleBase]);
        } else {
            decoded.name.push_back(unit);
        }
    }
    return decoded;
}

} // namespace installer_db
