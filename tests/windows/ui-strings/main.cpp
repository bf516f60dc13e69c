// ui-strings: interface texts as LoadUiString finds them, as JSON for the system tests.
//
//   ui-strings.exe MODULE ID...
//
// Loads MODULE (a program image) as a resource file and prints the interface language of
// this process and, for each ID (decimal, or hexadecimal with 0x), the text found and the
// thread's last error after the lookup, which starts each lookup at 0.
#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "json_text.h"
#include "load_ui_string.h"
#include "ui_language.h"
#include "win32_handle.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fputs("usage: ui-strings.exe MODULE ID...\n", stderr);
        return 2;
    }
    const kestrow::Library module(::LoadLibraryExW(
        argv[1], nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE));
    if (!module.IsValid()) {
        std::fprintf(stderr, "cannot load the module: error %lu\n", ::GetLastError());
        return 1;
    }
    std::printf("{\"ui_language\": %u, \"strings\": [", kestrow::UiLanguage);
    for (int index = 2; index < argc; ++index) {
        const auto id = static_cast<UINT>(std::wcstoul(argv[index], nullptr, 0));
        ::SetLastError(0);
        const std::wstring text = kestrow::LoadUiStringFrom(module.Get(), id);
        const DWORD lastError = ::GetLastError();
        std::printf("%s\n  {\"id\": %u, \"text\": %s, \"last_error\": %lu}", index == 2 ? "" : ",",
                    id, JsonString(text).c_str(), lastError);
    }
    std::printf("]}\n");
    return 0;
}
