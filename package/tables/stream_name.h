#pragma once

// The installer's packing of table and row stream names into compound-file names: two
// characters of the set 0-9 A-Z a-z . _ share one code unit, so that names of up to 62
// characters fit the 31 units a compound-file name may hold.

#include <string>
#include <string_view>

namespace installer_db {

enum class StreamKind { Table, Other };

std::u16string EncodeStreamName(std::u16string_view name, StreamKind kind);

struct DecodedStreamName {
    std::u16string name;
    StreamKind kind = StreamKind::Other;
};
DecodedStreamName DecodeStreamName(std::u16string_view encoded);

} // namespace installer_db
