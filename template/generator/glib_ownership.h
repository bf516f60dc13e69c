#pragma once

#include <glib-object.h>

#include <memory>

// libmsi hands out reference-counted GObjects and GErrors; these owners release them on
// every path so that no early return can leak a database or a summary stream.
struct GObjectRelease {
    void operator()(gpointer object) const { g_object_unref(object); }
};

template <typename T> using GObjectPtr = std::unique_ptr<T, GObjectRelease>;

// Receives the GError of one libmsi call and frees it when the caller is done with it.
class ErrorSlot {
public:
    ErrorSlot() = default;
    ErrorSlot(const ErrorSlot&) = delete;
    ErrorSlot& operator=(const ErrorSlot&) = delete;
    ~ErrorSlot() {
        if (error_ != nullptr) {
            g_error_free(error_);
        }
    }

    GError** out() { return &error_; }
    const char* message() const { return error_ != nullptr ? error_->message : "no detail"; }

private:
    GError* error_ = nullptr;
};
