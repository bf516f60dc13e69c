#pragma once

// A line on the terminal that tells how far a long conversion has come, rewritten in place
// and wiped at the end. A conversion that ends within the delay shows nothing, and nothing
// goes to an output that is not a terminal, where the line would only be noise in a log.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace kestrow::native {

class ProgressLine {
public:
    using Clock = std::chrono::steady_clock;
    using Output = std::function<void(std::string_view text)>;
    static constexpr Clock::duration kDelay = std::chrono::milliseconds(500);

    ProgressLine(Output output, bool terminal, std::string subject, Clock::time_point start);

    void Show(std::uint64_t written, std::uint64_t total, Clock::time_point now);
    // Wipes the line, if one was shown.
    void Clear();

private:
    Output output_;
    bool terminal_;
    std::string subject_;
    Clock::time_point start_;
    int shownPercent_ = -1;
    std::size_t shownLength_ = 0;
};

} // namespace kestrow::native
