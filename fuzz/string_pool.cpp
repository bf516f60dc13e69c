// The string pool on damaged _StringPool and _StringData streams. The input is the pool's
// length (4 bytes, little-endian), the pool, then the data.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "fuzz_support.h"
#include "string_pool.h"

using namespace installer_db;
using kestrow::fuzz::Expect;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) {
        return 0;
    }
    const std::span input(reinterpret_cast<const std::byte*>(data) + 4, size - 4);
    const std::size_t poolLength = std::min<std::size_t>(
        data[0] | data[1] << 8 | data[2] << 16 | std::size_t{data[3]} << 24, input.size());
    const std::span<const std::byte> poolBytes = input.first(poolLength);
    const std::span<const std::byte> dataBytes = input.subspan(poolLength);
    StringPool pool;
    if (StringPool::Parse(poolBytes, dataBytes, pool) != kSuccess) {
        return 0;
    }
    // A pool that is read and written again unchanged keeps its bytes: the package writer
    // rewrites the template's pool this way.
    std::vector<std::byte> writtenPool;
    std::vector<std::byte> writtenData;
    pool.Serialize(writtenPool, writtenData);
    Expect(poolBytes.empty() || std::ranges::equal(writtenPool, poolBytes));
    Expect(std::ranges::equal(writtenData, dataBytes));
    return 0;
}
