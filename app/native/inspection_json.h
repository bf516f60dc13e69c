#pragma once

// What kestrow inspect --json tells a program about a package: one JSON object on one line.
// The README gives its schema.

#include <string>

#include "package_report.h"

namespace kestrow::native {

std::string InspectionJson(const std::string& path, const inspect::PackageReport& report);

// A JSON string: quotes, backslashes and control characters escaped; bytes that are not
// UTF-8 become U+FFFD, so that the output is always valid JSON.
std::string JsonString(const std::string& text);

} // namespace kestrow::native
