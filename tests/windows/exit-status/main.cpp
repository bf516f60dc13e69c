// exit-status: runs the command line it is given, waits for it and prints its exit code in
// full. Unix keeps only the low 8 bits of a Windows program's exit code, which cannot tell the
// Windows Installer's 1603 from 1627; the tests read the whole code from here instead.
#include "../common/command_line.h"

#include <windows.h>

#include "win32_handle.h"

#include <cstdio>
#include <string>

int wmain() {
    std::wstring commandLine = CommandLineTail();
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started)) {
        std::fprintf(stderr, "exit-status: cannot start the command (error %lu)\n", GetLastError());
        return 1;
    }
    const kestrow::KernelHandle process(started.hProcess);
    const kestrow::KernelHandle thread(started.hThread);
    DWORD code = 0;
    if (WaitForSingleObject(process.Get(), INFINITE) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process.Get(), &code)) {
        std::fprintf(stderr, "exit-status: cannot wait for the command (error %lu)\n",
                     GetLastError());
        return 1;
    }
    std::printf("exit code %lu\n", code);
    return 0;
}
