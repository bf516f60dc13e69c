#include "command_line.h"

#include <windows.h>

std::wstring CommandLineTail() {
    const wchar_t* cursor = GetCommandLineW();
    const bool quoted = *cursor == L'"';
    cursor += quoted ? 1 : 0;
    while (*cursor != L'\0' && (quoted ? *cursor != L'"' : (*cursor != L' ' && *cursor != L'\t'))) {
        ++cursor;
    }
    cursor += (quoted && *cursor == L'"') ? 1 : 0;
    while (*cursor == L' ' || *cursor == L'\t') {
        ++cursor;
    }
    return cursor;
}
