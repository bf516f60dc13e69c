#include <cerrno>
#include <cstring>

#include "system_reason.h"

namespace kestrow::native {

std::string SystemReason(std::uint32_t error) {
    return std::strerror(static_cast<int>(error));
}

bool IsQuotaExceeded(std::uint32_t error) {
    return error == EDQUOT;
}

} // namespace kestrow::native
