#pragma once

// Rich edit support shared by the program's licence window and the wizard's Print action.

#include <windows.h>

#include "win32_handle.h"

namespace kestrow::print {

// The rich edit 2.0 library of the system folder, loaded by its full path so that no copy
// planted beside the program or in the current directory is ever loaded instead.
Library LoadSystemRichEdit();

// Prints the whole document of a rich edit control on a printer's device context, one page
// at a time, under the given document name. False when the printer fails or the page is
// too small to hold any text.
bool PrintRichEditDocument(HWND editor, HDC printer, const wchar_t* documentName);

} // namespace kestrow::print
