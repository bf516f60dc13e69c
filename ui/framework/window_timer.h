#pragma once

#include <windows.h>

#include <chrono>

namespace kestrow {

// A timer that raises WM_TIMER in a window of this thread, stopped when the owner goes.
class WindowTimer {
public:
    WindowTimer() = default;
    ~WindowTimer() { Stop(); }
    WindowTimer(const WindowTimer&) = delete;
    WindowTimer& operator=(const WindowTimer&) = delete;

    // Starts the timer, or sets it to the new period if it runs already.
    void Start(HWND window, UINT_PTR id, std::chrono::milliseconds period) {
        Stop();
        if (::SetTimer(window, id, static_cast<UINT>(period.count()), nullptr) != 0) {
            window_ = window;
            id_ = id;
        }
    }
    void Stop() {
        if (window_ != nullptr) {
            ::KillTimer(window_, id_);
            window_ = nullptr;
        }
    }

private:
    HWND window_ = nullptr;
    UINT_PTR id_ = 0;
};

} // namespace kestrow
