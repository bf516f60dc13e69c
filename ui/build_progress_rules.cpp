#include "build_progress_rules.h"

#include "ui_text_format.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace kestrow {

std::chrono::milliseconds ProgressWindowWait(std::chrono::steady_clock::duration sinceStart) {
    const auto waited = std::chrono::floor<std::chrono::milliseconds>(sinceStart);
    return waited >= kProgressWindowDelay ? std::chrono::milliseconds::zero()
                                          : kProgressWindowDelay - waited;
}

unsigned ProgressPermille(std::uint64_t written, std::uint64_t total) {
    if (total == 0) {
        return 0;
    }
    if (written >= total) {
        return kFullPermille;
    }
    // Beyond this the product would overflow; total is then large enough to divide first,
    // and the rounding must not show an unfinished package as whole.
    if (written > std::numeric_limits<std::uint64_t>::max() / kFullPermille) {
        return std::min(static_cast<unsigned>(written / (total / kFullPermille)),
                        kFullPermille - 1);
    }
    return static_cast<unsigned>(written * kFullPermille / total);
}

ProgressThrottle::ProgressThrottle(Forward forward) : forward_(std::move(forward)) {}

void ProgressThrottle::operator()(std::uint64_t written, std::uint64_t total) {
    const unsigned permille = ProgressPermille(written, total);
    if (anyForwarded_ && permille == forwarded_) {
        return;
    }
    forwarded_ = permille;
    anyForwarded_ = true;
    forward_(permille);
}

std::wstring ProgressStatusText(std::wstring_view pattern, unsigned permille) {
    return FillPlaceholders(pattern, {std::to_wstring(std::min(permille, kFullPermille) / 10)});
}

} // namespace kestrow
