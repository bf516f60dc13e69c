#pragma once

// A function run on a thread of its own, joined when the owner goes: the portable layers
// cannot take std::thread, which the Windows toolchain's thread model lacks.

#include <functional>
#include <memory>

namespace kestrow {

class BackgroundThread {
public:
    // Runs work at once; when no thread can be started, runs it before returning.
    explicit BackgroundThread(std::function<void()> work);
    ~BackgroundThread();
    BackgroundThread(const BackgroundThread&) = delete;
    BackgroundThread& operator=(const BackgroundThread&) = delete;

    void Join();

private:
    struct Running;
    std::unique_ptr<Running> running_;
    std::function<void()> work_;
};

} // namespace kestrow
