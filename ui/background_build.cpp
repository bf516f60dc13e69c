#include "background_build.h"

#include <process.h>

#include <utility>

#include "build_progress_rules.h"
#include "package_builder.h"

namespace kestrow {

namespace {

constexpr DWORD kFullQueueRetryMs = 10;

} // namespace

BackgroundBuild::BackgroundBuild(std::span<const std::byte> packageTemplate,
                                 std::wstring installerPath, std::wstring packagePath)
    : packageTemplate_(packageTemplate), installerPath_(std::move(installerPath)),
      packagePath_(std::move(packagePath)) {}

bool BackgroundBuild::Start(HWND window) {
    window_ = window;
    // The runtime's own thread start, since the builder uses the runtime on that thread.
    thread_ = JoinedThread(
        reinterpret_cast<HANDLE>(::_beginthreadex(nullptr, 0, &Run, this, 0, nullptr)));
    return thread_.IsValid();
}

unsigned __stdcall BackgroundBuild::Run(void* build) {
    const auto& self = *static_cast<const BackgroundBuild*>(build);
    // A report lost to a full queue only holds the bar back until the next one.
    ProgressThrottle throttle([&self](unsigned permille) {
        ::PostMessageW(self.window_, kProgressMessage, permille, 0);
    });
    const BuildOutcome outcome = BuildPackageFromTemplate(
        self.packageTemplate_, self.installerPath_, self.packagePath_,
        [&throttle](std::uint64_t written, std::uint64_t total) { throttle(written, total); });
    self.PostEnd(outcome.result);
    return 0;
}

void BackgroundBuild::PostEnd(std::uint32_t result) const {
    // The end must arrive, or the window would wait for it for ever: a full queue is waited
    // out for as long as there is a window to tell.
    while (::PostMessageW(window_, kEndMessage, result, 0) == FALSE &&
           ::IsWindow(window_) != FALSE) {
        ::Sleep(kFullQueueRetryMs);
    }
}

} // namespace kestrow
