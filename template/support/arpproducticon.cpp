// ARPPRODUCTICON.exe: carries the product's icon for Add or Remove Programs, which takes the
// first icon group of the file the ARPPRODUCTICON property names. It is never started; if it is,
// it ends at once.

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return 0;
}
