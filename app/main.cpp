#include <windows.h>

#include "command_line_conversion.h"
#include "console_binding.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLineTail, int) {
    // Such tools are run from download folders, where a planted DLL would otherwise load.
    ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    kestrow::AttachToParentConsole();
    if (commandLineTail != nullptr && *commandLineTail != L'\0') {
        return static_cast<int>(kestrow::RunCommandLine(commandLineTail));
    }
    // The main window arrives with the interface; until then an empty command line ends here.
    return 0;
}
