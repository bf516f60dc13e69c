#pragma once

// What the native program says when a conversion fails: the file at fault and why, with the
// installer database error value where the failure has one.

#include <string>

#include "package_builder.h"

namespace kestrow::native {

struct FailureMessage {
    std::string what;
    std::string reason;
};

FailureMessage DescribeFailure(const BuildOutcome& outcome, const std::string& installer,
                               const std::string& package);

} // namespace kestrow::native
