#pragma once

#include <windows.h>

#include <msiquery.h>

// Owns one installer handle (database, view, record, summary information).
class MsiHandle {
public:
    MsiHandle() = default;
    MsiHandle(const MsiHandle&) = delete;
    MsiHandle& operator=(const MsiHandle&) = delete;
    ~MsiHandle() {
        if (handle_ != 0) {
            MsiCloseHandle(handle_);
        }
    }

    MSIHANDLE Get() const { return handle_; }
    // For the out-parameter of an Msi* call; the handle must still be empty.
    MSIHANDLE* Receive() { return &handle_; }

private:
    MSIHANDLE handle_ = 0;
};
