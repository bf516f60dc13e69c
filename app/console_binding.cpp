#include "console_binding.h"

#include <windows.h>

#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <iostream>
#include <tlhelp32.h>

#include "win32_handle.h"

namespace kestrow {
namespace {

// From attaching until release: whether this process is attached, and the console output
// descriptor when standard output was bound to it (the descriptor owns the console handle).
bool g_attached = false;
int g_consoleDescriptor = -1;

DWORD ParentProcessId() {
    FileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.IsValid()) {
        return 0;
    }
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    const DWORD self = ::GetCurrentProcessId();
    for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more;
         more = ::Process32NextW(snapshot.Get(), &entry)) {
        if (entry.th32ProcessID == self) {
            return entry.th32ParentProcessID;
        }
    }
    return 0;
}

void BindStandardOutput(HANDLE consoleOutput) {
    int descriptor = ::_open_osfhandle(reinterpret_cast<intptr_t>(consoleOutput), _O_TEXT);
    if (descriptor < 0) {
        return;
    }
    // A GUI program may start without a standard output descriptor at all; give the
    // stream one before pointing it at the console.
    if (::_fileno(stdout) < 0 && std::freopen("NUL", "w", stdout) == nullptr) {
        ::_close(descriptor);
        return;
    }
    ::_dup2(descriptor, ::_fileno(stdout));
    g_consoleDescriptor = descriptor;
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::ios::sync_with_stdio(true);
}

// Output that the caller sent to a file or a pipe ("Kestrow.exe ... > log.txt") stays
// there rather than going to the console it was taken from.
bool IsRedirected(HANDLE output) {
    if (output == nullptr || output == INVALID_HANDLE_VALUE) {
        return false;
    }
    const DWORD type = ::GetFileType(output);
    return type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE;
}

} // namespace

void AttachToParentConsole() {
    static_assert(sizeof(PROCESSENTRY32W) == 568, "process entries are walked at this size");
    const bool redirected = IsRedirected(::GetStdHandle(STD_OUTPUT_HANDLE));
    DWORD parent = ParentProcessId();
    if (parent == 0 || !::AttachConsole(parent)) {
        return;
    }
    g_attached = true;
    HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (!redirected && output != nullptr && output != INVALID_HANDLE_VALUE) {
        BindStandardOutput(output);
    }
}

void ReleaseParentConsole() {
    std::fflush(stdout);
    if (g_attached) {
        ::FreeConsole();
        g_attached = false;
    }
    if (g_consoleDescriptor >= 0) {
        ::_close(g_consoleDescriptor);
        g_consoleDescriptor = -1;
    }
}

} // namespace kestrow
