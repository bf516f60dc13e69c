#pragma once

// How a conversion that runs beside the window shows its progress: when the progress window
// appears, how far its bar stands, and how often the building thread tells the window.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace kestrow {

// A conversion that ends sooner shows no progress window: it would only flash.
inline constexpr std::chrono::milliseconds kProgressWindowDelay{500};

// The bar's range: a finer step than a percent, so that a large package moves it visibly.
inline constexpr unsigned kFullPermille = 1000;

// How long after the start of a conversion the progress window is still to wait: zero once it
// is due.
std::chrono::milliseconds ProgressWindowWait(std::chrono::steady_clock::duration sinceStart);

// The progress window's line in words: the pattern's "%s" filled with the whole percent that
// permille makes, rounded down so that 100 shows only when the package is whole.
std::wstring ProgressStatusText(std::wstring_view pattern, unsigned permille);

// How many thousandths of the package are written, 0 to kFullPermille; 0 while the size is
// unknown.
unsigned ProgressPermille(std::uint64_t written, std::uint64_t total);

// The building thread's end of the progress reports: it passes a report on only when the bar
// would move, so that a large package does not flood the window with messages.
class ProgressThrottle {
public:
    using Forward = std::function<void(unsigned permille)>;

    explicit ProgressThrottle(Forward forward);
    // Fits as the builder's progress callback.
    void operator()(std::uint64_t written, std::uint64_t total);

private:
    Forward forward_;
    unsigned forwarded_ = 0;
    bool anyForwarded_ = false;
};

} // namespace kestrow
