// SampleSetup.exe: the small installer bundled with Kestrow to show the main command at work.
// It stands in for a real product installer: started the way a Kestrow package starts it,
// with "/install /silent", it finishes silently and successfully; started any other way it
// says what it is.
#include <windows.h>

#include <shellapi.h>

#include <memory>
#include <string_view>

namespace {

struct LocalFreeRelease {
    void operator()(wchar_t** arguments) const { LocalFree(arguments); }
};

bool IsSilentInstall(const wchar_t* commandLine) {
    int count = 0;
    const std::unique_ptr<wchar_t*, LocalFreeRelease> arguments(
        CommandLineToArgvW(commandLine, &count));
    if (!arguments) {
        return false;
    }
    bool install = false, silent = false;
    for (int i = 1; i < count; ++i) {
        install = install || lstrcmpiW(arguments.get()[i], L"/install") == 0;
        silent = silent || lstrcmpiW(arguments.get()[i], L"/silent") == 0;
    }
    return install && silent;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    if (IsSilentInstall(GetCommandLineW())) {
        return 0; // nothing to install: the sample only shows the round trip
    }
    MessageBoxW(nullptr,
                L"This is the sample installer bundled with Kestrow. Kestrow packages it into "
                L"an MSI package; the package starts it with \"/install /silent\".",
                L"Sample Setup", MB_OK | MB_ICONINFORMATION);
    return 0;
}
