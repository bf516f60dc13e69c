// A stand-in for a real product installer. Packages built around it are installed by the
// system tests; it leaves a trace of every start and ends with the exit code the test asks for.
// Both go through files, because the Windows Installer starts it from another process whose
// environment the test does not control.
#include "../common/command_line.h"
#include "../common/utf8.h"

#include <windows.h>

#include "win32_handle.h"

#include <cstdio>
#include <memory>
#include <string>

namespace {

constexpr const wchar_t* kProbeDir = L"C:\\kestrow-probe";
constexpr const wchar_t* kRunsLog = L"C:\\kestrow-probe\\runs.log";
constexpr const wchar_t* kExitCodeFile = L"C:\\kestrow-probe\\exit-code.txt";
constexpr int kCannotRecord = 1627; // ERROR_FUNCTION_FAILED: the trace could not be written

bool AppendRun(const std::string& line) {
    CreateDirectoryW(kProbeDir, nullptr); // already there after the first run
    const kestrow::FileHandle log(CreateFileW(kRunsLog, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!log.IsValid()) {
        return false;
    }
    const std::string record = line + "\r\n";
    DWORD written = 0;
    return WriteFile(log.Get(), record.data(), static_cast<DWORD>(record.size()), &written,
                     nullptr) &&
           written == record.size();
}

// The exit code the test chose, 0 when it chose none.
int RequestedExitCode() {
    const std::unique_ptr<FILE, decltype(&std::fclose)> file(_wfopen(kExitCodeFile, L"r"),
                                                             &std::fclose);
    if (!file) {
        return 0;
    }
    int code = 0;
    if (std::fscanf(file.get(), "%d", &code) != 1) {
        std::fprintf(stderr, "probe: exit-code.txt holds no number\n");
        return ERROR_INVALID_DATA;
    }
    return code;
}

} // namespace

int wmain() {
    if (!AppendRun(ToUtf8(CommandLineTail()))) {
        std::fprintf(stderr, "probe: cannot append to runs.log (error %lu)\n", GetLastError());
        return kCannotRecord;
    }
    return RequestedExitCode();
}
