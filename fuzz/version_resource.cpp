// The version resource reader on damaged programs: read from memory, through a reader that
// checks each read the library asks for.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "fuzz_support.h"
#include "version_resource.h"

namespace {

using namespace kestrow::identity;
using kestrow::fuzz::Expect;

// The reader reads inside the file, a header or the capped version data at a time.
constexpr std::size_t kLargestRead = 64 * 1024;

// Text is trimmed and ends where the file's NUL did.
bool Clean(const std::string& text) {
    return text.find('\0') == std::string::npos &&
           (text.empty() || (text.front() != ' ' && text.back() != ' '));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto read = [&](std::uint64_t offset, std::span<std::byte> buffer) {
        Expect(offset <= size && buffer.size() <= size - offset);
        Expect(buffer.size() <= kLargestRead);
        std::copy_n(reinterpret_cast<const std::byte*>(data) + offset, buffer.size(),
                    buffer.begin());
        return true;
    };
    VersionStrings strings;
    const VersionResourceFault fault = ReadVersionResource(read, size, strings);
    for (const std::string* text :
         {&strings.productName, &strings.companyName, &strings.productVersion}) {
        Expect(Clean(*text) && (fault == VersionResourceFault::None || text->empty()));
    }
    return 0;
}
