#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "win32_handle.h"

namespace kestrow {

// A conversion on a thread of its own, so that the window that starts it goes on answering
// while a large package is written. The thread tells the window by posting it messages: as the
// package grows, kProgressMessage with the thousandths written in wParam (only when they
// change); at the end, once, kEndMessage with the builder's result in wParam. The object waits
// for the thread before it goes.
class BackgroundBuild {
public:
    static constexpr UINT kProgressMessage = WM_APP + 1;
    static constexpr UINT kEndMessage = WM_APP + 2;

    BackgroundBuild(std::span<const std::byte> packageTemplate, std::wstring installerPath,
                    std::wstring packagePath);
    BackgroundBuild(const BackgroundBuild&) = delete;
    BackgroundBuild& operator=(const BackgroundBuild&) = delete;

    // False when no thread could be started; the window is then told nothing.
    bool Start(HWND window);
    const std::wstring& PackagePath() const { return packagePath_; }

private:
    static unsigned __stdcall Run(void* build);
    void PostEnd(std::uint32_t result) const;

    HWND window_ = nullptr;
    std::span<const std::byte> packageTemplate_;
    std::wstring installerPath_;
    std::wstring packagePath_;
    // Last, so that it is waited for before the paths the thread reads go.
    JoinedThread thread_;
};

} // namespace kestrow
