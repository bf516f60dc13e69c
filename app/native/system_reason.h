#pragma once

// The system's own words for its failures: errno values on POSIX, Win32 error codes on
// Windows, each told by its own half.

#include <cstdint>
#include <string>

namespace kestrow::native {

// The system's text for error, as UTF-8, without a closing full stop.
std::string SystemReason(std::uint32_t error);

// Whether error says that the user's disk quota, not the disk, ran out.
bool IsQuotaExceeded(std::uint32_t error);

} // namespace kestrow::native
