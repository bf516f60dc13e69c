// Inspection of damaged packages: the structure check, the tables, the product, the installer
// inside and the signatures, all from memory. The input is its own template as well, so that
// a database that opens is also compared, row by row, and rebuilt with its identity.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "fuzz_support.h"
#include "package_inspection.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span bytes(reinterpret_cast<const std::byte*>(data), size);
    const kestrow::inspect::PackageReport report =
        kestrow::inspect::InspectPackage(std::make_unique<installer_db::MemoryBytes>(bytes), bytes);
    // A verdict that the package is damaged always says why.
    kestrow::fuzz::Expect(report.verdict != kestrow::inspect::Verdict::Damaged ||
                          !report.fault.empty());
    return 0;
}
