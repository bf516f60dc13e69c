// planted-riched20: a DLL that the GUI tests plant as RICHED20.DLL beside a program and in its
// current directory. It registers no window class, so a window whose rich edit library came
// from there instead of the system folder would have no text area.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
