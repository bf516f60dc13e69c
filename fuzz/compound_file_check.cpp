// The structure check on damaged files: any bytes get a verdict, and a file it finds sound
// the reader opens.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "compound_file_check.h"
#include "compound_file_reader.h"
#include "fuzz_support.h"
#include "readable_bytes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace installer_db;
    const std::span bytes(reinterpret_cast<const std::byte*>(data), size);
    const cfb::StructureFault fault = cfb::CheckCompoundFile(MemoryBytes(bytes));
    kestrow::fuzz::Expect(!fault.Describe().empty());
    if (fault.kind == cfb::StructureFaultKind::None) {
        std::unique_ptr<cfb::CompoundFileReader> reader;
        kestrow::fuzz::Expect(
            !Failed(cfb::CompoundFileReader::Open(std::make_unique<MemoryBytes>(bytes), reader)));
    }
    return 0;
}
