#include "progress_line.h"

namespace kestrow::native {

ProgressLine::ProgressLine(Output output, bool terminal, std::string subject,
                           Clock::time_point start)
    : output_(std::move(output)), terminal_(terminal), subject_(std::move(subject)), start_(start) {
}

void ProgressLine::Show(std::uint64_t written, std::uint64_t total, Clock::time_point now) {
    if (!terminal_ || now - start_ < kDelay || total == 0) {
        return;
    }
    const int percent = static_cast<int>(written * 100 / total);
    if (percent == shownPercent_) {
        return;
    }
    std::string line = "\rkestrow: ";
    line.append(subject_).append(": ").append(std::to_string(percent)).append("%");
    // Spaces cover what a longer line before left on the screen.
    const std::size_t length = line.size() - 1;
    line.append(shownLength_ > length ? shownLength_ - length : 0, ' ');
    output_(line);
    shownPercent_ = percent;
    shownLength_ = line.size() - 1;
}

void ProgressLine::Clear() {
    if (shownLength_ > 0) {
        std::string wipe(shownLength_ + 2, ' ');
        wipe.front() = '\r';
        wipe.back() = '\r';
        output_(wipe);
        shownLength_ = 0;
        shownPercent_ = -1;
    }
}

} // namespace kestrow::native
