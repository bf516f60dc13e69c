#include <thread>

#include "background_thread.h"

namespace kestrow {

struct BackgroundThread::Running {
    std::thread thread;
};

BackgroundThread::BackgroundThread(std::function<void()> work) : work_(std::move(work)) {
    // Starting a thread throws only when the system refuses one; the work then runs here.
    try {
        running_ = std::make_unique<Running>(Running{std::thread([this] { work_(); })});
    } catch (const std::system_error&) {
        work_();
    }
}

BackgroundThread::~BackgroundThread() {
    Join();
}

void BackgroundThread::Join() {
    if (running_ && running_->thread.joinable()) {
        running_->thread.join();
    }
}

} // namespace kestrow
