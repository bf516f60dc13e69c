#pragma once

#include <cstdint>

namespace kestrow {

// Converts one installer as the arguments "/i" <installer> "/o" <folder> ask, reports
// the outcome on standard output and returns the process exit code.
std::uint32_t RunCommandLine(const wchar_t* commandLineTail);

} // namespace kestrow
