#pragma once

// What kestrow inspect tells a person about a package: a short block of lines.

#include <string>

#include "package_report.h"

namespace kestrow::native {

// At most this many departures from the template are listed, then how many more there are.
inline constexpr std::size_t kListedDifferences = 10;

std::string InspectionText(const std::string& path, const inspect::PackageReport& report);

// Text from a package, safe on a terminal: control characters become \xNN.
std::string PrintableText(const std::string& text);

} // namespace kestrow::native
