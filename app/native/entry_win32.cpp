// kestrow-cli.exe's entry point: Windows gives the arguments in UTF-16, which the shared
// argument reader takes as UTF-8.

#include <string>
#include <string_view>
#include <vector>

#include "native_text.h"
#include "run_kestrow.h"

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> texts;
    for (int i = 1; i < argc; ++i) {
        texts.push_back(kestrow::native::Utf8FromWide(argv[i]));
    }
    const std::vector<std::string_view> arguments(texts.begin(), texts.end());
    return kestrow::native::RunKestrow(arguments);
}
