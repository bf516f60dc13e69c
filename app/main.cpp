#include <windows.h>

#include <cstdio>

#include "command_line_conversion.h"
#include "console_binding.h"
#include "console_texts.h"
#include "framework/dialog_framework.h"
#include "kestrow_dlg.h"
#include "program_template.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLineTail, int) {
    // Such tools are run from download folders, where a planted DLL would otherwise load.
    ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    kestrow::AttachToParentConsole();
    if (commandLineTail != nullptr && *commandLineTail != L'\0') {
        return static_cast<int>(kestrow::RunCommandLine(commandLineTail));
    }
    if (!kestrow::InitDialogFramework()) {
        std::fputs(kestrow::kFrameworkFailureText, stdout);
        return 1;
    }
    kestrow::CKestrowDlg mainWindow(kestrow::ProgramTemplate());
    mainWindow.DoModal(); // the window ends only by its close box, whatever its result
    return 0;
}
