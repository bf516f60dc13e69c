// The version resource reader on damaged programs: read from memory, through a reader that
// checks each read the library asks for.

#include <cstddef>
#include <cstdint>
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
    const auto read = kestrow::fuzz::CheckedFileReader(data, size, kLargestRead);
    VersionStrings strings;
    const VersionResourceFault fault = ReadVersionResource(read, size, strings);
    for (const std::string* text :
         {&strings.productName, &strings.companyName, &strings.productVersion}) {
        Expect(Clean(*text) && (fault == VersionResourceFault::None || text->empty()));
    }
    return 0;
}
