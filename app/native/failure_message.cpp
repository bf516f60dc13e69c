#include "failure_message.h"

#include <cstring>

#include "installer_error.h"

namespace kestrow::native {

namespace {

std::string WithValue(const char* reason, std::uint32_t value) {
    return std::string(reason) + " (error " + std::to_string(value) + ")";
}

} // namespace

FailureMessage DescribeFailure(const BuildOutcome& outcome, const std::string& installer,
                               const std::string& package) {
    switch (outcome.result) {
    case installer_db::kFileNotFound:
        return {installer, WithValue("no such file", outcome.result)};
    case installer_db::kOpenFailed:
        return {installer, WithValue("cannot be opened for reading", outcome.result)};
    case installer_db::kDiskFull:
        return {package, WithValue("the disk is full", outcome.result)};
    case 1:
        if (outcome.replaceError) {
            return {package, std::strerror(static_cast<int>(*outcome.replaceError))};
        }
        return {package, "the package cannot be written there"};
    default:
        return {package, WithValue("the package cannot be made", outcome.result)};
    }
}

} // namespace kestrow::native
