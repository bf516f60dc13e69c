// The summary information on damaged streams: what it accepts it writes again, and what it
// writes it reads back the same, a string set on it included.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "summary_information.h"

using namespace installer_db;
using kestrow::fuzz::Expect;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SummaryInformation summary;
    if (SummaryInformation::Parse(std::span(reinterpret_cast<const std::byte*>(data), size),
                                  summary) != kSuccess) {
        return 0;
    }
    const std::vector<std::byte> written = summary.Serialize();
    SummaryInformation reread;
    Expect(SummaryInformation::Parse(written, reread) == kSuccess);
    Expect(reread.Serialize() == written);

    // The package code, as the builder sets it.
    const std::string packageCode = "{8C3E1F2A-5B7D-4E90-A1C6-3D2B4F6E8A01}";
    if (summary.SetText(kSummaryRevisionNumber, packageCode) != kSuccess) {
        // Only an id that holds another type refuses a string.
        Expect(!summary.Text(kSummaryRevisionNumber).has_value());
        return 0;
    }
    Expect(SummaryInformation::Parse(summary.Serialize(), reread) == kSuccess);
    Expect(reread.Text(kSummaryRevisionNumber) == packageCode);
    return 0;
}
