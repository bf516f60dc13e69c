// hold-file: opens a file the way another program would hold it, so that the tests can see
// what Kestrow does with files it cannot have to itself.
//
//     hold-file <path> <access: r, w or rw> <share: any of r, w, d, or ->
//
// Prints "held" once the file is open (or "failed <error>" and exits with 1), then keeps it
// open until a line arrives on standard input.
#include <windows.h>

#include "win32_handle.h"

#include <cstdio>
#include <cwchar>

namespace {

DWORD Flags(const wchar_t* letters, DWORD read, DWORD write, DWORD erase) {
    DWORD flags = 0;
    for (const wchar_t* letter = letters; *letter != L'\0'; ++letter) {
        flags |= *letter == L'r' ? read : *letter == L'w' ? write : *letter == L'd' ? erase : 0;
    }
    return flags;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        std::fputs("usage: hold-file <path> <r|w|rw> <share letters rwd or ->\n", stderr);
        return 2;
    }
    const DWORD access = Flags(argv[2], GENERIC_READ, GENERIC_WRITE, 0);
    const DWORD share = Flags(argv[3], FILE_SHARE_READ, FILE_SHARE_WRITE, FILE_SHARE_DELETE);
    const kestrow::FileHandle file(CreateFileW(argv[1], access, share, nullptr, OPEN_EXISTING,
                                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) {
        std::printf("failed %lu\n", GetLastError());
        std::fflush(stdout);
        return 1;
    }
    std::puts("held");
    std::fflush(stdout);
    // The caller's line (or the end of its pipe) lets go of the file.
    char line[16];
    std::fgets(line, sizeof line, stdin);
    return 0;
}
