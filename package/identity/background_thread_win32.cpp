#include <windows.h>

#include "background_thread.h"
#include "win32_handle.h"

namespace kestrow {

struct BackgroundThread::Running {
    JoinedThread thread;
};

namespace {

DWORD WINAPI RunWork(void* work) {
    (*static_cast<std::function<void()>*>(work))();
    return 0;
}

} // namespace

BackgroundThread::BackgroundThread(std::function<void()> work) : work_(std::move(work)) {
    HANDLE thread = CreateThread(nullptr, 0, RunWork, &work_, 0, nullptr);
    if (thread == nullptr) {
        work_();
        return;
    }
    running_ = std::make_unique<Running>();
    running_->thread.Reset(thread);
}

BackgroundThread::~BackgroundThread() {
    Join();
}

void BackgroundThread::Join() {
    if (running_) {
        running_->thread.Reset();
    }
}

} // namespace kestrow
